#pragma once

#include <QMainWindow>

// The main window. (Being built: see the main-window work.)
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
};
