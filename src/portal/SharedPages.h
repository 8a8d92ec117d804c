#pragma once

#include "portal/Awards.h"
#include "portal/PortalModel.h"
#include "portal/RatingLedger.h"
#include "portal/RatingPages.h"
#include "portal/RecentBoards.h"
#include "portal/SiteFolder.h"

#include <QDate>
#include <QDateTime>

#include <vector>

// The pages that follow every change of the history: the style sheet and
// the script, the boards of the last 7 and 30 days, the rating and
// per-game boards, the players' data file, the awards and the index. Most
// list every player, so a build makes them last, from what it learnt.
namespace portal {

// What they need of the ratings, once the ledger is saved and let go.
struct SharedRatings {
    std::vector<RatedPlayer> players; // the shown ones
    pages::RatingView view;
    QDate upTo;
};

struct SharedPagesInput {
    const SharedRatings &rated;
    const std::vector<PlayerTotals> &totals; // the shown players'
    const std::vector<MapSummary> &maps;
    const RecentBoards &recent;
    const std::vector<awards::PeriodAwards> &awards;
    QDate newestDay;
    QDateTime made;
    int minGames = 0;
};

// Writes them on `writers` threads (0: one a core). With `largestInTurn`,
// the five that list every player are made one after the other, beside the
// smaller ones, so that no two of them are held at once.
void writeSharedPages(SiteFolder &site, const SharedPagesInput &input, int writers, bool largestInTurn);

} // namespace portal
