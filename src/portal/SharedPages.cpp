#include "portal/SharedPages.h"

#include "portal/AwardsPage.h"
#include "portal/Charts.h"
#include "portal/PagePool.h"
#include "portal/PortalAssets.h"
#include "portal/PortalNames.h"
#include "portal/PortalPages.h"

#include <functional>

using namespace Qt::StringLiterals;

namespace portal {

void writeSharedPages(SiteFolder &site, const SharedPagesInput &input, int writers, bool largestInTurn)
{
    site.write(names::kStyleSheet, assets::styleSheet());
    site.write(names::kScript, assets::script());
    const std::vector<RatedPlayer> &rated = input.rated.players;
    const pages::RatingView &view = input.rated.view;
    const RecentBoards &recent = input.recent;
    // The pages below are independent of each other: made side by side. The
    // five that list every player are the largest, each held twice (as
    // text, then as UTF-8) while it is made; where memory is at its highest,
    // in a build of every page, they are made one after the other beside
    // the smaller ones. The pool comes after what its jobs use, so a
    // failure waits for the jobs still running before that goes.
    const std::function<void()> largest[] = {
        [&] { site.write(names::kRatingPage, pages::ratingPage(rated, input.rated.upTo, input.minGames)); },
        [&] {
            const Board board = recent.month();
            site.write(names::kMonthPage,
                       pages::boardPage(u"Last 30 days"_s, kMonth, input.newestDay, board.games, board.players, view));
        },
        [&] { site.write(names::kPerGamePage, pages::perGamePage(input.totals, view)); },
        [&] { site.write(names::kPlayersJson, pages::playersJson(input.totals, rated, input.minGames)); },
        [&] {
            site.write(names::kIndexPage,
                       pages::indexPage(input.totals, input.maps, input.made, view,
                                        charts::gamesPerDay(input.newestDay, recent.gamesPerDay())),
                       SiteFolder::Compare::WithoutMadeTime);
        },
    };
    PagePool pool(writers);
    if (largestInTurn) {
        pool.run([&] {
            for (const auto &page : largest)
                page();
        });
    } else {
        for (const auto &page : largest)
            pool.run(page);
    }
    pool.run([&] {
        const Board board = recent.week();
        site.write(names::kWeekPage,
                   pages::boardPage(u"Last 7 days"_s, kWeek, input.newestDay, board.games, board.players, view));
    });
    pool.run([&] { site.write(names::kAwardsPage, pages::awardsPage(input.awards, input.newestDay)); });
    pool.finish();
}

} // namespace portal
