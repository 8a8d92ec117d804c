#include "gui/TForm1.h"

#include "commands/GameFolderRecord.h"
#include "commands/GameHostSetup.h"
#include "commands/GameLaunch.h"
#include "commands/MainCommands.h"
#include "commands/SystemPanel.h"
#include "common/Community.h"
#include "common/RankholdError.h"
#include "gui/Dialogs.h"
#include "gui/GuiHost.h"
#include "gui/KeyringItem.h"
#include "gui/NotifyWindow.h"
#include "gui/PanelStatusBar.h"
#include "gui/PlayersWindow.h"
#include "gui/PortalWindow.h"
#include "gui/TForm3.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "settings/GameHostSettings.h"
#include "settings/SettingsFile.h"
#include "ui_TForm1.h"

#include <QDir>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

constexpr int kClientWidth = 737;
constexpr int kClientHeight = 526;

// Part of the look: red labels, bold underlined red headings, bold olive
// values, olive text on maroon boxes, bare 13 x 13 check boxes. Set on the
// client area only, so that message boxes keep the desktop's look.
const QString kClientStyle = uR"(
QLabel { color: #ff0000; }
QLabel[rhRole="heading"] { font-weight: bold; text-decoration: underline; }
QLabel[rhRole="value"] { color: #808000; font-weight: bold; }
QLineEdit, QPlainTextEdit { background-color: #800000; color: #808000; selection-background-color: #808000;
                            selection-color: #800000; }
QLineEdit#Edit16 { lineedit-password-character: 42; }
QCheckBox::indicator { width: 13px; height: 13px; }
)"_s;

QString memoText(const QPlainTextEdit *memo)
{
    QString text = memo->toPlainText();
    text.replace(u'\n', u"\r\n"_s);
    return text;
}

void setMemoText(QPlainTextEdit *memo, const QString &text)
{
    memo->setPlainText(Dialogs::displayText(text));
}

} // namespace

// The start-up sequence's view of this window.
class TForm1::StartUpViewAdapter : public StartUpView
{
public:
    explicit StartUpViewAdapter(TForm1 &form) : m_form(form) {}
    Settings currentSettings() const override { return m_form.readSettings(); }
    void applySettings(const Settings &settings) override { m_form.applySettings(settings); }
    void showCpuSpeed(const QString &text) override { m_form.ui->Label20->setText(text); }
    void showSystemName(const QString &text) override { m_form.ui->Label68->setText(text); }
    void showMessage(const QString &text) override { Dialogs::message(&m_form, text); }
    void showError(const QString &message) override { Dialogs::error(&m_form, message); }

private:
    TForm1 &m_form;
};

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    setUpControls();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(30000);
    // Precise, so that every check of the box starts a full 30-second period.
    m_timer1->setTimerType(Qt::PreciseTimer);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(u"Timer2"_s);
    m_timer2->setInterval(1000);
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(u"Timer3"_s);
    m_timer3->setInterval(10);

    m_host = std::make_unique<GuiHost>(
        GuiHost::Widgets{this, ui->StatusBar1, ui->ProgressBar1, ui->Label5, ui->Label6, ui->Label7});
    m_state.database.setConnectionListener(
        [this](bool open) { m_host->setConnectionText(open ? kConnectionOpen : kConnectionClosed); });
    m_commands = std::make_unique<MainCommands>(m_state, *m_host, *m_timer3, [this] { return readSettings(); });
    connectHandlers();
    m_timer2->start();

    StartUpViewAdapter view(*this);
    m_startUpEnd = runStartUp(
        m_state, view, [this] { m_commands->updateDBInfo(); }, platform::Registry());
    // After the settings: a log-in is filled only for the server they name.
    m_keyring->recall();
    loadGameHost();
}

void TForm1::loadGameHost()
{
    try {
        m_state.gameHost = gameHostOf(m_state.programFolder, {}, {});
    } catch (const RankholdError &e) {
        m_state.gameHost.reset();
        Dialogs::error(this, e.message());
        return;
    }
    askGameHostPassword();
}

void TForm1::askGameHostPassword()
{
    if (!m_state.gameHost)
        return;
    const GameHost &h = *m_state.gameHost;
    // An SFTP key or agent needs none.
    if (h.address.kind == GameHostAddress::Kind::Sftp &&
        (!h.logIn.identityFile.isEmpty() || qEnvironmentVariableIsSet("SSH_AUTH_SOCK")))
        return;
    // The keyring's, when one is kept for this host and user; else asked,
    // kept for this run, and in the keyring only while its item is checked.
    const QString server = h.address.text();
    if (const std::optional<KeyringItem::Login> kept = m_keyring->recallLogin(KeyringItem::kGameHostLogin);
        kept && kept->server == server && kept->user == h.address.user) {
        m_state.gameHost->logIn.password = kept->password;
        return;
    }
    const std::optional<QString> password =
        Dialogs::askText(this, u"Password of %1 on the game host %2:"_s.arg(h.address.user, h.address.host), {}, true);
    if (!password)
        return;
    m_state.gameHost->logIn.password = *password;
    if (m_keyring->remembering())
        m_keyring->rememberLogin(KeyringItem::kGameHostLogin, {server, h.address.user, *password});
}

void TForm1::setGameSettingsWindow(TForm3 *form)
{
    m_form3 = form;
    if (m_form3)
        m_form3->setOnSaved([this] {
            if (m_state.gameHost)
                m_commands->storeGameConfig();
        });
}

QString TForm1::gameConfigFolder() const
{
    return m_commands->gameConfigFolder();
}

TForm1::~TForm1() = default;

void TForm1::setUpControls()
{
    QFont font(u"Arial"_s);
    font.setPixelSize(11);
    setFont(font);
    // Every size the icon is drawn in, so a task bar or switcher never scales a small one up.
    QIcon icon(u":/rankhold.png"_s);
    for (const int size : {48, 64, 128, 256})
        icon.addFile(u":/icons/rankhold-%1.png"_s.arg(size));
    setWindowIcon(icon);
    ui->ClientArea->setStyleSheet(kClientStyle);

    ui->StatusBar1->setPanelWidths({150, 150, 50});
    ui->StatusBar1->setPanelText(0, kConnectionClosed);
    ui->StatusBar1->setPanelText(1, kIdle);
    ui->StatusBar1->setFixedHeight(QFontMetrics(font).height() + 6);

    ui->Edit14->setText(kDefaultFtpServer);
    ui->VisitWebsite1->setText(u"Visit "_s + QUrl(kCommunityWebSite).host());

    // Beyond the menu of old, at the end of Extra.
    QAction *webhook = ui->Extra1->addAction(u"Webhook..."_s);
    webhook->setObjectName(u"Webhook1"_s);
    webhook->setMenuRole(QAction::NoRole);
    connect(webhook, &QAction::triggered, this, &TForm1::Webhook1Click);
    auto *players = new QAction(u"Players..."_s, this);
    players->setObjectName(u"Players1"_s);
    players->setMenuRole(QAction::NoRole);
    ui->Extra1->insertAction(webhook, players);
    connect(players, &QAction::triggered, this, &TForm1::Players1Click);
    m_keyring = new KeyringItem(ui->Extra1, {ui->Edit14, ui->Edit15, ui->Edit16}, this);

    // The client area is 737 x 526 below the menu bar; the picture covers
    // what the status bar leaves of it.
    const int statusHeight = ui->StatusBar1->height();
    ui->Image1->setGeometry(0, 0, kClientWidth, kClientHeight - statusHeight);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen *desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
}

void TForm1::connectHandlers()
{
    const std::pair<QAction *, void (TForm1::*)()> actions[] = {
        {ui->ImportScorestxt1, &TForm1::ImportScorestxt1Click},
        {ui->ExportStatshtml1, &TForm1::ExportStatshtml1Click},
        {ui->UploadHTMLbyFTP1, &TForm1::UploadHTMLbyFTP1Click},
        {ui->SaveSettings1, &TForm1::SaveSettings1Click},
        {ui->Exit1, &TForm1::Exit1Click},
        {ui->RepairQuellmoordatabase1, &TForm1::RepairQuellmoordatabase1Click},
        {ui->CloseQuellmoordatabase1, &TForm1::CloseQuellmoordatabase1Click},
        {ui->DeleteallRecords1, &TForm1::DeleteallRecords1Click},
        {ui->Delet1, &TForm1::Delet1Click},
        {ui->DeleteRecordsnotmatchingfilter1, &TForm1::DeleteRecordsnotmatchingfilter1Click},
        {ui->EditGameSettings1, &TForm1::Button2Click},
        {ui->RunDFLWstatenabled1, &TForm1::Button1Click},
        {ui->SetDFLWfolder1, &TForm1::SetDFLWfolder1Click},
        {ui->SetDFLWgamehost1, &TForm1::SetDFLWgamehost1Click},
        {ui->ReadRankholdtxt1, &TForm1::ReadRankholdtxt1Click},
        {ui->VisitWebsite1, &TForm1::VisitWebsite1Click},
        {ui->PlayerPortal1, &TForm1::PlayerPortal1Click},
    };
    for (const auto &[action, handler] : actions)
        connect(action, &QAction::triggered, this, handler);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    // Every change of the box, by the user or by the program, passes through CheckTimer.
    connect(ui->CheckBox4, &QCheckBox::toggled, this, &TForm1::CheckTimer);
    connect(m_timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(m_timer2, &QTimer::timeout, this, &TForm1::SystemInfo);
}

QPixmap TForm1::backgroundPicture() const
{
    return ui->Image1->pixmap();
}

namespace {

template <typename Form> auto checkFields(Form *ui)
{
    return std::to_array<std::pair<QCheckBox *, bool Settings::*>>({
        {ui->CheckBox1, &Settings::rankKills},
        {ui->CheckBox17, &Settings::rankDeaths},
        {ui->CheckBox2, &Settings::rankFlags},
        {ui->CheckBox3, &Settings::rankZonetime},
        {ui->CheckBox6, &Settings::rankTargets},
        {ui->CheckBox5, &Settings::rankRatio},
        {ui->CheckBox7, &Settings::top10},
        {ui->CheckBox18, &Settings::useFilters},
        {ui->CheckBox4, &Settings::importAfterEachMap},
        {ui->CheckBox9, &Settings::chainAfterImport},
        {ui->CheckBox8, &Settings::highPriority},
        {ui->CheckBox16, &Settings::switchOnWhenRunningGame},
        {ui->CheckBox13, &Settings::fieldBold},
        {ui->CheckBox11, &Settings::titleItalic},
        {ui->CheckBox14, &Settings::fieldItalic},
        {ui->CheckBox12, &Settings::titleUnderlined},
        {ui->CheckBox15, &Settings::fieldUnderlined},
    });
}

template <typename Form> auto textFields(Form *ui)
{
    return std::to_array<std::pair<QLineEdit *, QString Settings::*>>({
        {ui->Edit19, &Settings::filter1},       {ui->Edit20, &Settings::filter2},
        {ui->Edit21, &Settings::filter3},       {ui->Edit14, &Settings::ftpServer},
        {ui->Edit15, &Settings::ftpUser},       {ui->Edit16, &Settings::ftpPassword},
        {ui->Edit17, &Settings::ftpDirectory},  {ui->Edit5, &Settings::titleFontFace},
        {ui->Edit6, &Settings::fieldFontFace},  {ui->Edit1, &Settings::titleFontColor},
        {ui->Edit2, &Settings::fieldFontColor}, {ui->Edit3, &Settings::titleFontSize},
        {ui->Edit4, &Settings::fieldFontSize},  {ui->Edit7, &Settings::titleBgColor},
        {ui->Edit8, &Settings::fieldBgColor},   {ui->Edit10, &Settings::borderWidth},
        {ui->Edit11, &Settings::cellPadding},   {ui->Edit12, &Settings::cellSpacing},
        {ui->Edit13, &Settings::tableWidth},    {ui->Edit9, &Settings::tableBgColor},
    });
}

} // namespace

Settings TForm1::readSettings() const
{
    Settings settings;
    for (const auto &[box, field] : checkFields(ui.get()))
        settings.*field = box->isChecked();
    for (const auto &[edit, field] : textFields(ui.get()))
        settings.*field = edit->text();
    settings.titleBold = ui->CheckBox10->isChecked();
    settings.header = memoText(ui->Memo2);
    settings.footer = memoText(ui->Memo3);
    return settings;
}

void TForm1::applySettings(const Settings &settings)
{
    // CheckBox10 stays checked whatever the value says: titles are always bold.
    for (const auto &[box, field] : checkFields(ui.get()))
        box->setChecked(settings.*field);
    for (const auto &[edit, field] : textFields(ui.get())) {
        if (edit->text() != settings.*field)
            edit->setText(settings.*field);
    }
    if (memoText(ui->Memo2) != settings.header)
        setMemoText(ui->Memo2, settings.header);
    if (memoText(ui->Memo3) != settings.footer)
        setMemoText(ui->Memo3, settings.footer);
}

void TForm1::runCommand(const std::function<void()> &command)
{
    try {
        command();
    } catch (const RankholdError &e) {
        Dialogs::error(this, e.message());
    } catch (const std::exception &e) {
        Dialogs::error(this, QString::fromLocal8Bit(e.what()));
    }
    // A tick held back during the chain runs now, unless the box was
    // unchecked in the meantime: then no further tick may come.
    if (m_commands->takeDeferredTick() && m_timer1->isActive())
        QTimer::singleShot(0, this, &TForm1::Timer1Timer);
}

void TForm1::ImportScorestxt1Click()
{
    runCommand([this] { m_commands->importScores(); });
}

void TForm1::ExportStatshtml1Click()
{
    runCommand([this] { m_commands->exportStats(); });
}

void TForm1::UploadHTMLbyFTP1Click()
{
    runCommand([this] { m_commands->uploadPages(); });
}

void TForm1::runOwnCommand(const std::function<void()> &command)
{
    runCommand([this, &command] { m_commands->runAlone(command); });
}

void TForm1::SaveSettings1Click()
{
    runOwnCommand([this] { saveSettings(m_state.programFolder, readSettings()); });
}

void TForm1::Exit1Click()
{
    runOwnCommand([this] { close(); });
}

void TForm1::RepairQuellmoordatabase1Click()
{
    runCommand([this] { m_commands->compactDatabase(); });
}

void TForm1::CloseQuellmoordatabase1Click()
{
    runCommand([this] { m_commands->toggleConnection(); });
}

void TForm1::DeleteallRecords1Click()
{
    runCommand([this] { m_commands->deleteAllRecords(); });
}

void TForm1::Delet1Click()
{
    runCommand([this] { m_commands->deleteRecordsByFilters(true); });
}

void TForm1::DeleteRecordsnotmatchingfilter1Click()
{
    runCommand([this] { m_commands->deleteRecordsByFilters(false); });
}

void TForm1::Timer1Timer()
{
    // A failing tick shows its error and leaves Timer1 running.
    runCommand([this] { m_commands->scheduledImport(); });
}

void TForm1::CheckTimer()
{
    // Started only on a change to checked, so a fresh 30-second period begins.
    if (ui->CheckBox4->isChecked())
        m_timer1->start();
    else
        m_timer1->stop();
}

void TForm1::switchOnForGame()
{
    if (!ui->CheckBox16->isChecked())
        return;
    // In this order; a box already checked stays so (and a running Timer1 runs on).
    for (QCheckBox *box : {ui->CheckBox1, ui->CheckBox2, ui->CheckBox3, ui->CheckBox4, ui->CheckBox5, ui->CheckBox6,
                           ui->CheckBox7, ui->CheckBox9})
        box->setChecked(true);
}

void TForm1::Button1Click()
{
    runOwnCommand([this] {
        switchOnForGame();
        if (m_state.gameHost) {
            Dialogs::message(this, u"The game runs on its game host %1: start it there (dflw.exe /s)."_s.arg(
                                       m_state.gameHost->address.host));
            return;
        }
        runGameStatEnabled(m_state.gameFolder, ui->CheckBox8->isChecked());
    });
}

void TForm1::Button2Click()
{
    runOwnCommand([this] {
        if (!m_form3)
            return;
        if (m_state.gameHost) {
            m_commands->fetchGameConfig();
            m_form3->loadSettings();
            m_commands->storeGameConfigWhenMended();
        }
        m_form3->show();
    });
}

void TForm1::SetDFLWfolder1Click()
{
    runOwnCommand([this] {
        // There are no drive letters here: the chooser of a folder never set starts in the home folder.
        if (m_state.gameFolder.isEmpty())
            m_state.gameFolder = QDir::homePath();
        const std::optional<QString> chosen = Dialogs::chooseFolder(this, m_state.gameFolder);
        if (!chosen)
            return;
        if (!platform::directoryExists(*chosen) && !platform::makePath(*chosen))
            throw RankholdError(u"Unable to create directory %1"_s.arg(*chosen));
        m_state.gameFolder = *chosen;
        platform::setCurrentDirectory(*chosen);
        platform::Registry registry;
        GameFolderRecord::store(registry, *chosen);
    });
}

void TForm1::SetDFLWgamehost1Click()
{
    runOwnCommand([this] {
        GameHostSettings settings = readGameHostSettings(m_state.programFolder);
        const std::optional<QString> url = Dialogs::askText(
            this,
            u"Game host of DFLW: ftp://user@host[:port]/path, ftps://... or sftp://user@host[:port]/path "
            "(empty: the local DFLW folder)"_s,
            settings.url);
        if (!url)
            return;
        const QString typed = url->trimmed();
        if (!typed.isEmpty())
            parseGameHostUrl(typed); // a URL that is none, or holds a password, goes no further
        settings.url = typed;
        writeGameHostSettings(m_state.programFolder, settings);
        loadGameHost();
    });
}

void TForm1::ReadRankholdtxt1Click()
{
    // Relative to the current directory, which the folder chooser moves.
    runOwnCommand([] {
        Dialogs::openUrl(QUrl::fromLocalFile(platform::joinPath(platform::currentDirectory(), u"Rankhold.txt"_s)));
    });
}

void TForm1::VisitWebsite1Click()
{
    runOwnCommand([] { Dialogs::openUrl(QUrl(kCommunityWebSite)); });
}

void TForm1::PlayerPortal1Click()
{
    if (!m_portalWindow)
        m_portalWindow = new PortalWindow([this] { return m_state.programFolder; }, this);
    m_portalWindow->show();
    m_portalWindow->raise();
    m_portalWindow->activateWindow();
}

void TForm1::Players1Click()
{
    if (!m_playersWindow)
        m_playersWindow = new PlayersWindow([this] { return m_state.database.connection(); }, this);
    m_playersWindow->show();
    m_playersWindow->raise();
    m_playersWindow->activateWindow();
}

void TForm1::Webhook1Click()
{
    if (!m_notifyWindow)
        m_notifyWindow = new NotifyWindow([this] { return m_state.programFolder; }, this);
    m_notifyWindow->show();
    m_notifyWindow->raise();
    m_notifyWindow->activateWindow();
}

void TForm1::SystemInfo()
{
    const platform::MemoryStatus memory = platform::memoryStatus();
    ui->Label17->setText(memoryUsageText(memory.memoryLoadPercent, m_state.totalMemoryMB));
    ui->Label18->setText(diskFreeText(platform::freeSpaceOfCurrentDrive()));
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // FormShow: the progress bar sits inside the third status panel.
    ui->ProgressBar1->setParent(ui->StatusBar1);
    ui->ProgressBar1->setGeometry(ui->StatusBar1->panelRect(2));
    ui->ProgressBar1->show();
}
