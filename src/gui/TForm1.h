#pragma once

#include "commands/AppState.h"
#include "commands/StartUp.h"
#include "settings/Settings.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TForm1;
}
class GuiHost;
class KeyringItem;
class MainCommands;
class NotifyWindow;
class PlayersWindow;
class PortalWindow;
class QTimer;
class TForm3;

// The main window: every option of the program as a control, the menu
// commands, the status bar and the three timers. Creating it runs the
// start-up sequence. The handlers are thin: they read the controls into a
// Settings value, call the core, and show an escaping error in the
// standard error box.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    const AppState &state() const { return m_state; }
    MainCommands &commands() { return *m_commands; }
    // Where the start-up sequence ended with an error; nothing when it ran to the end.
    std::optional<StartUpStep> startUpEnd() const { return m_startUpEnd; }
    QPixmap backgroundPicture() const;
    // The game settings window that Button2 shows (created after this window).
    void setGameSettingsWindow(TForm3 *form);
    // The folder whose dflw.cfg the settings window edits: the game folder,
    // or the copy of a game host's.
    QString gameConfigFolder() const;

    // Every control of the options, read at the moment a command runs
    // (memo texts with CR LF line breaks), and written back.
    Settings readSettings() const;
    void applySettings(const Settings &settings);

public slots:
    void ImportScorestxt1Click();
    void ExportStatshtml1Click();
    void UploadHTMLbyFTP1Click();
    void SaveSettings1Click();
    void Exit1Click();
    void RepairQuellmoordatabase1Click();
    void CloseQuellmoordatabase1Click();
    void DeleteallRecords1Click();
    void Delet1Click();
    void DeleteRecordsnotmatchingfilter1Click();
    void Button1Click();
    void Button2Click();
    void SetDFLWfolder1Click();
    // Extra > Set DFLW game host...: the URL of a game on another machine
    // ([GameHost] url), or nothing for the local folder.
    void SetDFLWgamehost1Click();
    void ReadRankholdtxt1Click();
    void VisitWebsite1Click();
    // Extra > Player Portal...
    void PlayerPortal1Click();
    // Extra > Players...
    void Players1Click();
    // Extra > Webhook...
    void Webhook1Click();
    void CheckTimer();
    void SystemInfo();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent *event) override;

private:
    class StartUpViewAdapter;

    void setUpControls();
    void connectHandlers();
    // Runs a command; a failure ends it in the standard error box. A tick
    // that arrived while the command's chain ran is run once afterwards.
    void runCommand(const std::function<void()> &command);
    // A command of this window's own (not of MainCommands), under the same
    // busy rule: refused while another command runs.
    void runOwnCommand(const std::function<void()> &command);
    // The options that "Turn all HTML Creation and Scheduled Tasks on when running game" switches on.
    void switchOnForGame();
    // The game host of Rankhold.ini, and its password asked for once.
    void loadGameHost();
    void askGameHostPassword();

    std::unique_ptr<Ui::TForm1> ui;
    QTimer *m_timer1 = nullptr;
    QTimer *m_timer2 = nullptr;
    QTimer *m_timer3 = nullptr;
    AppState m_state;
    std::unique_ptr<GuiHost> m_host;
    std::unique_ptr<MainCommands> m_commands;
    TForm3 *m_form3 = nullptr;
    PortalWindow *m_portalWindow = nullptr;
    PlayersWindow *m_playersWindow = nullptr;
    NotifyWindow *m_notifyWindow = nullptr;
    KeyringItem *m_keyring = nullptr; // Extra > Remember passwords in the keyring
    std::optional<StartUpStep> m_startUpEnd;
};
