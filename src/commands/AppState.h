#pragma once

#include "common/ProgramFolder.h"
#include "gamehost/GameHost.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"

#include <QString>
#include <cstdint>
#include <optional>

// The program-wide values set at start-up, and the database connection that
// lives as long as the program.
struct AppState {
    ProgramFolder programFolder; // the current directory when the program started
    QString gameFolder;          // the folder of dflw.exe; empty when unknown
    // A game on another machine: used instead of gameFolder when set.
    std::optional<GameHost> gameHost;
    QString browserFolder;
    std::int64_t totalMemoryMB = 0;
    PlayerDatabase database; // Connection1 with DataSet1..DataSet7
    // The player filter of the last export: the player figure counts only
    // the players that pass it, as the last pages do.
    PlayerSql::Filters playerFilter;
};
