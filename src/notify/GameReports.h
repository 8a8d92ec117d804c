#pragma once

#include "notify/ChatMessages.h"

#include <QSqlDatabase>
#include <vector>

struct ImportedGame;

// `games` without the ones seen before (a block the file holds twice is one game).
std::vector<ImportedGame> distinctGames(const std::vector<ImportedGame> &games);

// The post of each game, read back from the table `player` with all its
// rows (also those another server stored). `portalBase` is where the portal
// is published ("https://example.org/portal/"); empty for no links. Throws
// RankholdError with the engine's message.
std::vector<GameReport> gameReports(QSqlDatabase db, const std::vector<ImportedGame> &games, const QString &portalBase);
