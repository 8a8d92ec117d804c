#pragma once

#include <QWidget>
#include <functional>

// The game settings window over GameFolder/dflw.cfg. Created hidden at start;
// closing it only hides it. (Being built: see the game settings work.)
class TForm3 : public QWidget
{
    Q_OBJECT
public:
    // `gameFolder` is asked at every load, so a new game folder takes effect at once.
    explicit TForm3(std::function<QString()> gameFolder, QWidget *parent = nullptr);
    // The main window's background picture, shown behind the controls.
    void setBackground(const QPixmap &picture);

private:
    std::function<QString()> m_gameFolder;
};
