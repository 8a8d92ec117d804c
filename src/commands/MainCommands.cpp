#include "commands/MainCommands.h"

#include "commands/AppState.h"
#include "commands/GameFolderRecord.h"
#include "commands/PortalExport.h"
#include "common/RankholdError.h"
#include "ftp/SocketErrors.h"
#include "gamehost/FtpHostFolder.h"
#include "gamehost/HostFolder.h"
#include "gamehost/HostGameConfig.h"
#include "html/RankingExport.h"
#include "notify/Notifier.h"
#include "platform/FileStamp.h"
#include "platform/Paths.h"
#include "scores/DatabaseInfo.h"
#include "scores/Maintenance.h"
#include "scores/ScoreArchive.h"
#include "settings/GameHostSettings.h"
#include "settings/PortalSwitch.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

// A certificate of an ftps:// game host that the operator trusted in the
// window's box is trusted from then on: its fingerprint goes into [GameHost].
void keepTrustedCertificate(AppState &state, HostFolder &hostFolder)
{
    const auto *ftp = dynamic_cast<const FtpHostFolder *>(&hostFolder);
    if (!ftp || !state.gameHost || ftp->trustedFingerprint() == state.gameHost->logIn.fingerprint)
        return;
    state.gameHost->logIn.fingerprint = ftp->trustedFingerprint();
    GameHostSettings settings = readGameHostSettings(state.programFolder);
    settings.fingerprint = ftp->trustedFingerprint();
    writeGameHostSettings(state.programFolder, settings);
}

} // namespace

struct MainCommands::Private {
    Private(AppState &s, CommandHost &h, QTimer &timer3, SettingsSource source)
        : state(s), host(h), readSettings(std::move(source)), exporter(s.database), uploader(timer3, h),
          notifier(s.programFolder, s.database, h)
    {
    }

    AppState &state;
    CommandHost &host;
    SettingsSource readSettings;
    RankingExporter exporter;
    PageUploader uploader;
    Notifier notifier;
    int running = 0;
    bool deferredTick = false;
    platform::FileStamp fetchedConfig; // the game host's dflw.cfg copy as fetched

    // Marks a command as running until the returned guard goes. The import
    // and export let the event loop run, the upload waits in it, and the
    // boxes of the others run one: a menu command that arrives meanwhile is
    // refused, a tick deferred.
    [[nodiscard]] auto runningScope()
    {
        ++running;
        return qScopeGuard([this] { --running; });
    }

    bool refuseWhileRunning()
    {
        if (running == 0 && !uploader.isBusy())
            return false;
        host.setActivityText(uploader.isBusy() ? MainCommands::busyText() : MainCommands::commandBusyText());
        return true;
    }

    void updateDBInfo() { UpdateDBInfo(state.database, state.playerFilter, host); }

    // Runs `steps` as one round of the chain: what it did goes into
    // status.json and to the webhook, an error with the step it ended.
    template <typename Steps> auto inRound(Steps &&steps)
    {
        ChainRound round(notifier);
        try {
            return steps(round);
        } catch (const RankholdError &e) {
            round.failed(e);
            throw;
        }
    }

    void exportPages(const Settings &settings, ChainRound &round)
    {
        round.begin(ChainStep::Export);
        const ExportResult exported = exporter.exportStats(settings, state.programFolder, host);
        state.playerFilter = exported.playerFilter;
        exportPortal(state, host);
        round.exported();
    }

    UploadOutcome upload(const Settings &settings, ChainRound &round)
    {
        round.begin(ChainStep::Upload);
        host.showUploadCause({});
        UploadOutcome outcome = uploader.upload(settings, state.programFolder, portalEnabled(state.programFolder));
        host.showUploadCause(outcome.cause);
        round.uploaded(outcome);
        return outcome;
    }

    void reportGameHost(const GameHostRoundOutcome &round)
    {
        if (!round.note.isEmpty())
            host.reportArchiveProblem(round.note);
        host.reportGameHost(round.problem);
    }

    // The game host's part after the archive (the file deleted there); a
    // host lost meanwhile is said, and posted, as one lost before.
    void finishHostRound(GameHostRound &hostRound, ImportOutcome &outcome, ChainRound &round)
    {
        const bool reached = outcome.gameHost->reached;
        hostRound.finish(*outcome.gameHost);
        if (reached && !outcome.gameHost->reached) {
            host.reportGameHost(outcome.gameHost->problem);
            round.report(ChainStep::GameHost, outcome.gameHost->problem);
        }
    }

    // One score file from the game folder to the web server: every step is
    // a plain call whose result decides the next, and an error ends the
    // chain before the archive, so the next run reads the file again. A
    // damaged block ends it only after the archive: the rest of the file is
    // whole and goes on as usual.
    ImportOutcome importChain()
    {
        const Settings settings = readSettings();
        const auto scope = runningScope();
        return inRound([&](ChainRound &round) { return importSteps(settings, round); });
    }

    ImportOutcome importSteps(const Settings &settings, ChainRound &round)
    {
        ImportOutcome outcome;
        // A game host's score file comes into a local one first; from there
        // on the chain is that of a local game folder.
        std::unique_ptr<HostFolder> hostFolder;
        std::optional<GameHostRound> hostRound;
        const auto closeHost = qScopeGuard([&hostRound] {
            if (hostRound)
                hostRound->close();
        });
        QString scoreFile = GameFolderRecord::scoreFile(state.gameFolder);
        if (state.gameHost) {
            round.begin(ChainStep::GameHost);
            hostFolder = makeHostFolder(*state.gameHost, host);
            hostRound.emplace(*hostFolder, state.programFolder, state.gameHost->address, state.gameHost->keep);
            hostRound->setSettleMilliseconds(state.gameHost->settleMs);
            outcome.gameHost = hostRound->fetch();
            keepTrustedCertificate(state, *hostFolder);
            scoreFile = hostRound->localScoreFile();
            reportGameHost(*outcome.gameHost);
            round.report(ChainStep::GameHost, outcome.gameHost->reached ? QString() : outcome.gameHost->problem);
        }

        round.begin(ChainStep::Import);
        outcome.import = importScoreFile(state.database, scoreFile, host);
        if (!outcome.import.found) {
            if (hostRound)
                finishHostRound(*hostRound, outcome, round);
            return outcome;
        }
        round.imported(outcome.import);
        updateDBInfo();
        host.setProgress(0);
        host.reportImported(outcome.import.stored, outcome.import.alreadyStored);

        if (settings.chainAfterImport) {
            exportPages(settings, round);
            outcome.upload = upload(settings, round);
        }

        round.begin(ChainStep::Archive);
        const ArchiveOutcome archived = archiveScoreFile(scoreFile, outcome.import, state.programFolder);
        outcome.archiveProblem = archived.problem;
        host.reportArchiveProblem(archived.problem);
        round.archived(archived);
        if (hostRound)
            finishHostRound(*hostRound, outcome, round);
        // Damaged blocks, set aside now, are reported as errors like any other.
        round.begin(ChainStep::Import);
        throwForFailedBlocks(outcome.import, archived.setAside);
        return outcome;
    }
};

MainCommands::MainCommands(AppState &state, CommandHost &host, QTimer &progressTimer, SettingsSource readSettings)
    : d(std::make_unique<Private>(state, host, progressTimer, std::move(readSettings)))
{
}

MainCommands::~MainCommands() = default;

const QString &MainCommands::busyText()
{
    static const QString text = u"Busy: an upload is in progress"_s;
    return text;
}

const QString &MainCommands::commandBusyText()
{
    static const QString text = u"Busy: another command is in progress"_s;
    return text;
}

bool MainCommands::runAlone(const std::function<void()> &command)
{
    if (d->refuseWhileRunning())
        return false;
    const auto scope = d->runningScope();
    command();
    return true;
}

ImportOutcome MainCommands::importScores()
{
    if (d->refuseWhileRunning())
        return {};
    return d->importChain();
}

std::optional<UploadOutcome> MainCommands::exportStats()
{
    if (d->refuseWhileRunning())
        return std::nullopt;
    const Settings settings = d->readSettings();
    const auto scope = d->runningScope();
    return d->inRound([&](ChainRound &round) -> std::optional<UploadOutcome> {
        d->exportPages(settings, round);
        if (!settings.chainAfterImport)
            return std::nullopt;
        return d->upload(settings, round);
    });
}

UploadOutcome MainCommands::uploadPages()
{
    // A second upload while one runs gets the upload's own refusal.
    if (d->uploader.isBusy()) {
        d->host.setActivityText(kUploadBusyText);
        return {false, kUploadBusyText};
    }
    if (d->refuseWhileRunning())
        return {false, busyText()};
    const Settings settings = d->readSettings();
    const auto scope = d->runningScope();
    return d->inRound([&](ChainRound &round) { return d->upload(settings, round); });
}

ImportOutcome MainCommands::scheduledImport()
{
    if (isRunning()) {
        d->deferredTick = true;
        return {};
    }
    return d->importChain();
}

bool MainCommands::takeDeferredTick()
{
    if (isRunning() || !d->deferredTick)
        return false;
    d->deferredTick = false;
    return true;
}

bool MainCommands::isRunning() const
{
    return d->running > 0 || d->uploader.isBusy();
}

QString MainCommands::gameConfigFolder() const
{
    return d->state.gameHost ? d->state.programFolder.gameHostFolder() : d->state.gameFolder;
}

namespace {

// One log-in to the game host for `work`; its failure as the error box shows it.
void withGameHost(AppState &state, CommandHost &host, const std::function<void(HostFolder &)> &work)
{
    if (!state.gameHost)
        return;
    const QString folder = state.programFolder.gameHostFolder();
    if (!platform::directoryExists(folder) && !platform::makePath(folder))
        throw RankholdError(u"Cannot create the folder %1"_s.arg(folder));
    const std::unique_ptr<HostFolder> hostFolder = makeHostFolder(*state.gameHost, host);
    try {
        hostFolder->open();
        keepTrustedCertificate(state, *hostFolder);
        work(*hostFolder);
    } catch (const RankholdError &e) {
        hostFolder->close();
        throw RankholdError(u"The game host cannot be reached: "_s + causeOf(e));
    }
    hostFolder->close();
}

} // namespace

void MainCommands::fetchGameConfig()
{
    const QString copy = platform::joinPath(gameConfigFolder(), u"dflw.cfg"_s);
    withGameHost(d->state, d->host, [&copy](HostFolder &h) { hostgameconfig::fetch(h, copy); });
    d->fetchedConfig = platform::fileStamp(copy);
}

void MainCommands::storeGameConfig()
{
    const QString copy = platform::joinPath(gameConfigFolder(), u"dflw.cfg"_s);
    withGameHost(d->state, d->host, [&copy](HostFolder &h) { hostgameconfig::store(h, copy); });
    d->fetchedConfig = platform::fileStamp(copy);
}

void MainCommands::storeGameConfigWhenMended()
{
    const QString copy = platform::joinPath(gameConfigFolder(), u"dflw.cfg"_s);
    const platform::FileStamp now = platform::fileStamp(copy);
    if (d->state.gameHost && now.exists && !now.isUnwrittenSince(d->fetchedConfig))
        storeGameConfig();
}

void MainCommands::updateDBInfo()
{
    d->updateDBInfo();
}

void MainCommands::toggleConnection()
{
    runAlone([this] { ::toggleConnection(d->state.database); });
}

void MainCommands::deleteAllRecords()
{
    if (d->refuseWhileRunning())
        return;
    const auto scope = d->runningScope();
    if (::deleteAllRecords(d->state.database, d->host))
        d->updateDBInfo();
}

void MainCommands::deleteRecordsByFilters(bool matching)
{
    if (d->refuseWhileRunning())
        return;
    const auto scope = d->runningScope();
    const Settings settings = d->readSettings();
    if (::deleteRecordsByFilters(d->state.database, {settings.filter1, settings.filter2, settings.filter3}, matching,
                                 d->host))
        d->updateDBInfo();
}

bool MainCommands::compactDatabase()
{
    if (d->refuseWhileRunning())
        return false;
    const auto scope = d->runningScope();
    const bool compacted = ::compactDatabase(d->state.database, d->state.programFolder, d->host);
    d->updateDBInfo();
    return compacted;
}
