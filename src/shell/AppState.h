#pragma once

#include "scores/PlayerDatabase.h"

#include <QString>
#include <cstdint>

// The program-wide values set at start-up, and the database connection that
// lives as long as the program.
struct AppState {
    QString programFolder; // the current directory when the program started
    QString gameFolder; // the folder of dflw.exe; empty when unknown
    QString browserFolder;
    std::int64_t totalMemoryMB = 0;
    PlayerDatabase database; // Connection1 with DataSet1..DataSet7
};
