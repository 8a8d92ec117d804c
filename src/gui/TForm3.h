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
// closing it only hides it. It reads the file when it is created and on
// Reset. When it becomes the active window it reads the file again only if
// the file changed on disk since it was loaded or saved here; with unsaved
// edits in the window it first asks whether to load the file or keep them.
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
    // Called after each save that wrote the file (a game host's copy goes back).
    void setOnSaved(std::function<void()> onSaved) { m_onSaved = std::move(onSaved); }

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
    void reloadIfChangedOnDisk();
    bool hasUnsavedEdits() const;
    // Shows freshly loaded values, which are then the unedited state.
    void showLoaded(const GameSettingsValues &values);

    std::unique_ptr<Ui::TForm3> ui;
    std::function<QString()> m_gameFolder;
    std::function<void()> m_onSaved;
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
    // The values as last loaded or saved: anything else shown is an edit.
    GameSettingsValues m_unedited;
    bool m_asking = false;
};

// Asked on activation when dflw.cfg changed on disk while the window holds
// unsaved edits; Yes loads the file, No keeps the edits.
inline const QString kChangedOnDiskQuestion =
    QStringLiteral("dflw.cfg has been changed on disk since it was loaded here, and this window has unsaved "
                   "changes.\r\nLoad the file from disk and discard your changes?\r\n(No keeps your changes; "
                   "Save writes them over the file.)");
