#pragma once

#include "common/CommandHost.h"
#include "ftp/PageUpload.h"
#include "gamehost/GameHostRound.h"
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
    // With a game on another machine: what the round did there, and why
    // the host could not be reached when it could not (its `problem`).
    std::optional<GameHostRoundOutcome> gameHost;
};

// The commands of the main window's File and Database Maintenance menus, as
// the GUI and the CLI both run them. Each reads the options at the moment it
// runs and throws RankholdError for the standard error box.
//
// Import, export and upload form one chain (see importScores). While a
// command runs the event loop may run inside it (the import and the export
// let it run every few rows, the network waits turn it, the boxes run their
// own), so a tick or a menu command can arrive in the middle: any other
// command is refused with a status text, and a scheduled tick is deferred
// until the command has ended (see takeDeferredTick()).
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
    bool isRunning() const;
    // A command of the window's own (save settings, the game, the game
    // folder) under the same rule: false, with the busy text, when another
    // command is running.
    bool runAlone(const std::function<void()> &command);

    // Edit Game Settings with a game on a host: the settings window edits a
    // copy of its dflw.cfg in gameConfigFolder(), fetched before the window
    // shows it and stored back after each save. Throw RankholdError naming
    // the cause when the host cannot be reached. Nothing without a host.
    QString gameConfigFolder() const;
    void fetchGameConfig();
    void storeGameConfig();
    // The load mends a line at once (Weaponrecoil): a copy written since it
    // was fetched goes back to the host.
    void storeGameConfigWhenMended();

    void updateDBInfo();
    void toggleConnection();
    void deleteAllRecords();
    void deleteRecordsByFilters(bool matching);
    // False when the compaction failed (its message box has been shown).
    bool compactDatabase();

    // The refusal while an upload runs, and while any other command runs.
    static const QString &busyText();
    static const QString &commandBusyText();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
