#pragma once

#include "common/CommandHost.h"
#include "ftp/PageUpload.h"
#include "scores/ScoreImport.h"
#include "settings/Settings.h"

#include <functional>
#include <memory>
#include <optional>

class QTimer;
struct AppState;

// What one run of File > Import Scores.txt (or a scheduled tick) did.
struct ImportOutcome {
    ImportResult import; // import.found is false when there was no score file
    // Set when the chain went on to the upload ("Create and upload HTML by
    // FTP after each import").
    std::optional<UploadOutcome> upload;
    // Why the imported score file cannot be archived; empty when it was.
    QString archiveProblem;
};

// The commands of the main window's File and Database Maintenance menus, as
// the GUI and the CLI both run them. Each reads the options at the moment it
// runs and throws RankholdError for the standard error box.
//
// Import, export and upload form one chain (see importScores). While it runs
// the network waits let the event loop run, so a tick or a menu command can
// arrive in the middle: a second chain command is refused with a status text,
// and a scheduled tick is deferred until the chain has ended (see
// takeDeferredTick()).
class MainCommands
{
public:
    using SettingsSource = std::function<Settings()>;

    MainCommands(AppState &state, CommandHost &host, QTimer &progressTimer, SettingsSource readSettings);
    ~MainCommands();

    // File > Import Scores.txt, with the export and upload after it when
    // they are chained. Nothing is found when the command was refused.
    ImportOutcome importScores();
    // File > Export Stats to HTML, with the upload after it when chained.
    std::optional<UploadOutcome> exportStats();
    // File > Upload HTML by FTP.
    UploadOutcome uploadPages();
    // A tick of Timer1: the import, unless a chain is in progress, in which
    // case the tick is remembered and takeDeferredTick() reports it once.
    ImportOutcome scheduledImport();
    bool takeDeferredTick();
    bool isChainRunning() const;

    void updateDBInfo();
    void toggleConnection();
    void deleteAllRecords();
    void deleteRecordsByFilters(bool matching);
    // False when the compaction failed (its message box has been shown).
    bool compactDatabase();

    static const QString &busyText();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
