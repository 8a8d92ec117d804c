#include "portal/PortalFingerprint.h"

#include "portal/AwardsPage.h"
#include "portal/Charts.h"
#include "portal/PortalAssets.h"
#include "portal/PortalPages.h"
#include "portal/RatingLedger.h"

#include <QCryptographicHash>
#include <QTimeZone>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace portal {

namespace {

// The days of the sample board.
constexpr int kSampleDays = 7;

// Raised when the pages change in a way the sample below does not show.
constexpr char kMarkupVersion[] = "4";

} // namespace

// A sample of every kind of page, with names the game pads and names that
// need escaping, every game type's figure, and a date that cannot be read,
// and the two assets: pages made by another version of the program give
// another fingerprint, and every page is made again.
QByteArray formatFingerprint()
{
    static const QByteArray fingerprint = [] {
        const auto row = [](const QString &player, const GameKey &game, const QString &type, qint64 kills) {
            Row r;
            r.player = player;
            r.game = game;
            r.type = type;
            r.winner = u"None"_s;
            r.kills = kills;
            r.deaths = kills % 3;
            r.ratio = double(kills) / double(std::max<qint64>(r.deaths, 1));
            return r;
        };
        const GameKey readable{u"01/02/03"_s, u"04:05:06"_s, u"Map <1> "_s};
        const GameKey unreadable{u"1/2/3"_s, u"4:5"_s, u" "_s};
        std::vector<Row> rows = {row(u"Padded & <b>   "_s, readable, u"Capture the Flag"_s, 3),
                                 row(u" "_s, readable, u"King of the Hill"_s, 4),
                                 row(u"Padded & <b>   "_s, unreadable, u"Cooperative"_s, 5)};
        rows[0].flags = 1;
        rows[1].zonetime = 3725;
        rows[1].hidden = true;
        Game game{readable, rows[0].type, u"Blue"_s, {rows[0], rows[1]}};
        MapSummary map;
        map.name = readable.map;
        map.addGame(game);
        map.updatePlayer({rows[0].player, 1, 3, 0});
        std::vector<PlayerTotals> players;
        for (const Row &r : rows) {
            Totals t;
            t.add(r);
            players.push_back({r.player, t});
        }
        RatingLedger ledger;
        ledger.add({ledger.inputOf(game)});
        const pages::RatingView view{ledger.skills(), 1};
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(kMarkupVersion);
        awards::Tally tally;
        for (const Row &r : rows) {
            awards::Figures f;
            f.add(r);
            tally.add(awards::Period::of(awards::PeriodKind::Week, QDate(2003, 1, 2)), r.player, f);
        }
        const std::vector<awards::PeriodAwards> periods = tally.result();
        hash.addData(pages::playerPage(rows[0].player, rows, ledger.playerRating(rows[0].player, 2), 2,
                                       awards::medalsByPlayer(periods).value(rows[0].player)));
        hash.addData(pages::gamePage(game, ledger.gameRatings(game.key), true));
        hash.addData(pages::awardsPage(periods, QDate(2003, 1, 2)));
        hash.addData(pages::mapPage(map));
        hash.addData(pages::indexPage(players, {map}, QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc()), view,
                                      charts::gamesPerDay(QDate(2003, 1, 2), {0, 2, 1})));
        hash.addData(pages::boardPage(u"Board"_s, kSampleDays, QDate(2003, 1, 2), 1, players, view));
        hash.addData(pages::ratingPage(ledger.players(), QDate(2003, 3, 1), 2));
        hash.addData(pages::perGamePage(players, view));
        hash.addData(pages::playersJson(players, ledger.players(), 2));
        hash.addData(assets::styleSheet());
        hash.addData(assets::script());
        return hash.result();
    }();
    return fingerprint;
}

} // namespace portal
