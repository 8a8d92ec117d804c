#pragma once

#include "gamecfg/GameConfigFile.h"
#include "gamecfg/GameSettingsValues.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPixmap;
namespace Ui {
class TForm3;
}

// The game settings window over GameFolder/dflw.cfg. Created hidden at start;
// closing it only hides it. It rereads the file when it is created, every
// time it becomes the active window, and on Reset.
class TForm3 : public QWidget
{
    Q_OBJECT
public:
    // `gameFolder` is asked at every load, so a new game folder takes effect at once.
    explicit TForm3(std::function<QString()> gameFolder, QWidget *parent = nullptr);
    ~TForm3() override;
    // The main window's background picture, shown behind the controls.
    void setBackground(const QPixmap &picture);

    // Reads dflw.cfg into the controls; errors go to the standard error box.
    void loadSettings();
    // Writes the controls into dflw.cfg; errors go to the standard error box.
    void saveSettings();

    // The controls as a plain value, and back.
    GameSettingsValues values() const;
    void setValues(const GameSettingsValues &values);

    QString configPath() const;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void bindControls();
    void reportError(const QString &message);
    void tickPreset(QCheckBox *ticked, QCheckBox *other, bool checked);
    bool isOwnDialog(const QWidget *window) const;

    std::unique_ptr<Ui::TForm3> ui;
    std::function<QString()> m_gameFolder;
    GameConfigFile m_config;
    // Which control shows which value.
    struct CheckBinding {
        QCheckBox *box;
        bool GameSettingsValues::Checks::*value;
    };
    struct ChoiceBinding {
        QComboBox *box;
        int GameSettingsValues::Choices::*value;
    };
    struct TextBinding {
        QLineEdit *edit;
        QString GameSettingsValues::Texts::*value;
        int maxLength; // the edit's own limit
    };
    QList<CheckBinding> m_checkBoxes;
    QList<ChoiceBinding> m_comboBoxes;
    QList<TextBinding> m_edits;
    // Set while focus is in one of this window's own boxes (an error box), so
    // coming back from it does not reload and raise the same error again.
    bool m_awayInOwnDialog = false;
};
