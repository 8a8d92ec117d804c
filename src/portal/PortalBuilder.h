#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>

// Builds the player portal: a static site of UTF-8 pages in one folder.
//
// The first build makes every page. Each later build compares the players'
// totals with those the last build stored beside the site and makes again
// only what the new rows touch: the pages of the players whose totals
// changed, the pages of the new games, the pages of their maps, the index,
// the boards and the data file. A game older than those rated already
// changes the ratings after it: the pages of those games and players too. A page whose bytes come out the same is not
// written again. Whatever the comparison cannot explain (rows deleted or
// changed in place, a damaged or missing record, pages of another version)
// makes every page again.
namespace portal {

struct BuildResult {
    bool full = false; // every page was made
    int written = 0;   // files written because their bytes changed
    int removed = 0;   // pages of players, games or maps that are gone
};

struct BuildPlace {
    QString siteFolder; // the portal's folder
    QString stateFile;  // the record of the last build
    // Where the pages a build removes are added, one path a line, for the
    // upload to delete on the server; nowhere when empty.
    QString removedFile = {};
};

struct BuildOptions {
    // The fewest games a player needs to be ranked on the rating board
    // among the others and to count on the ratio and per-game boards.
    int minGames = 10;
    // The threads that make and write the pages of a full build; 0 is one
    // a core. The pages are the same whatever the number.
    int writers = 0;
};

// Told how far a build has come, 0 to 100, many times a second while a
// build of every page runs (which takes a while on a long history).
using Progress = std::function<void(int percent)>;

// `made` is the time the index says it was made. The skill ratings are kept
// beside the record, in its file name with ".rating" added. Throws
// RankholdError (the engine's message, or a file that cannot be written).
BuildResult buildPortal(QSqlDatabase db, const BuildPlace &place, const QDateTime &made, const Progress &progress = {},
                        const BuildOptions &options = {});

} // namespace portal
