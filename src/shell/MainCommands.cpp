#include "shell/MainCommands.h"

#include "ftp/PageUpload.h"
#include "html/RankingExport.h"
#include "scores/DatabaseInfo.h"
#include "scores/Maintenance.h"
#include "scores/ScoreImport.h"
#include "shell/AppState.h"

using namespace Qt::StringLiterals;

struct MainCommands::Private {
    Private(AppState &s, CommandHost &h, QTimer &timer3, SettingsSource source)
        : state(s), host(h), readSettings(std::move(source)), exporter(s.database), uploader(timer3, h)
    {
    }

    AppState &state;
    CommandHost &host;
    SettingsSource readSettings;
    RankingExporter exporter;
    PageUploader uploader;
    int chainDepth = 0;
    bool deferredTick = false;
    std::optional<bool> lastUpload;

    // Marks the chain as running for the life of a command.
    struct ChainScope {
        explicit ChainScope(Private &p) : p(p) { ++p.chainDepth; }
        ~ChainScope() { --p.chainDepth; }
        Private &p;
    };

    bool refuseWhileRunning()
    {
        if (chainDepth == 0 && !uploader.isBusy())
            return false;
        host.setActivityText(MainCommands::busyText());
        return true;
    }

    bool upload(const Settings &settings)
    {
        const bool ok = uploader.upload(settings, state.programFolder);
        lastUpload = ok;
        return ok;
    }

    void exportStats(const Settings &settings)
    {
        exporter.exportStats(settings, state.programFolder, host, [this, &settings] {
            if (settings.chainAfterImport)
                upload(settings);
        });
    }

    bool importScores()
    {
        const Settings settings = readSettings();
        lastUpload.reset();
        ChainScope scope(*this);
        return ::importScores(state.database, state.gameFolder, state.programFolder, host, [this, &settings] {
            if (settings.chainAfterImport)
                exportStats(settings);
        });
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

bool MainCommands::importScores()
{
    if (d->refuseWhileRunning())
        return false;
    return d->importScores();
}

void MainCommands::exportStats()
{
    if (d->refuseWhileRunning())
        return;
    const Settings settings = d->readSettings();
    d->lastUpload.reset();
    Private::ChainScope scope(*d);
    d->exportStats(settings);
}

bool MainCommands::uploadPages()
{
    // A second upload while one runs gets the upload's own refusal.
    if (d->uploader.isBusy()) {
        d->host.setActivityText(kUploadBusyText);
        return false;
    }
    if (d->refuseWhileRunning())
        return false;
    const Settings settings = d->readSettings();
    Private::ChainScope scope(*d);
    return d->upload(settings);
}

bool MainCommands::scheduledImport()
{
    if (isChainRunning()) {
        d->deferredTick = true;
        return false;
    }
    return d->importScores();
}

bool MainCommands::takeDeferredTick()
{
    if (isChainRunning() || !d->deferredTick)
        return false;
    d->deferredTick = false;
    return true;
}

bool MainCommands::isChainRunning() const
{
    return d->chainDepth > 0 || d->uploader.isBusy();
}

std::optional<bool> MainCommands::lastUploadResult() const
{
    return d->lastUpload;
}

void MainCommands::updateDBInfo()
{
    UpdateDBInfo(d->state.database, d->host);
}

void MainCommands::openCloseDatabase()
{
    CloseQuellmoordatabase(d->state.database);
}

void MainCommands::deleteAllRecords()
{
    DeleteallRecords(d->state.database, d->host);
}

void MainCommands::deleteRecordsByFilters(bool matching)
{
    const Settings settings = d->readSettings();
    DeleteRecordsByFilters(d->state.database, {settings.filter1, settings.filter2, settings.filter3}, matching,
                           d->host);
}

void MainCommands::compactDatabase()
{
    RepairQuellmoordatabase(d->state.database, d->state.programFolder, d->host);
}
