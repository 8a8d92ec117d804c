#pragma once

#include "core/CommandHost.h"
#include "settings/Settings.h"

#include <functional>
#include <memory>
#include <optional>

class QTimer;
struct AppState;

// The commands of the main window's File and Database Maintenance menus, as
// the GUI and the CLI both run them. Each reads the options at the moment it
// runs and throws RankholdError for the standard error box.
//
// Import, export and upload form one chain ("Create and upload HTML by FTP
// after each import"). While the chain is in progress the network waits let
// the event loop run, so a tick or a menu command can arrive in the middle:
// a second chain command is refused with a status text, and a scheduled tick
// is deferred until the chain has ended (see takeDeferredTick()).
class MainCommands
{
public:
    using SettingsSource = std::function<Settings()>;

    MainCommands(AppState &state, CommandHost &host, QTimer &progressTimer, SettingsSource readSettings);
    ~MainCommands();

    // File > Import Scores.txt; false when there was no score file or the command was refused.
    bool importScores();
    // File > Export Stats to HTML.
    void exportStats();
    // File > Upload HTML by FTP; true when every page went up ("FTP: Filetransfer OK").
    bool uploadPages();
    // A tick of Timer1: the import, unless a chain is in progress, in which
    // case the tick is remembered and takeDeferredTick() reports it once.
    bool scheduledImport();
    bool takeDeferredTick();
    bool isChainRunning() const;

    // Whether the last chain command that reached the upload had it succeed;
    // nothing when no upload ran since the last import or export started.
    std::optional<bool> lastUploadResult() const;

    void updateDBInfo();
    void openCloseDatabase();
    void deleteAllRecords();
    void deleteRecordsByFilters(bool matching);
    void compactDatabase();

    static const QString &busyText();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
