// The index and the two period boards: rankings of players by kills.
#include "portal/Charts.h"
#include "portal/PortalHtml.h"
#include "portal/PortalNames.h"
#include "portal/PortalPages.h"
#include "portal/PortalTable.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace portal::pages {

namespace {

using namespace html;

std::vector<const PlayerTotals *> byKills(const std::vector<PlayerTotals> &players)
{
    std::vector<const PlayerTotals *> order;
    order.reserve(players.size());
    for (const PlayerTotals &p : players)
        order.push_back(&p);
    std::sort(order.begin(), order.end(), [](const PlayerTotals *a, const PlayerTotals *b) {
        return killsOrder(a->name, a->totals.kills, b->name, b->totals.kills);
    });
    return order;
}

// Filters the rows of the table by the text of its second column, the player.
QString searchBox(const QString &tableId)
{
    return u"<p class=\"search\"><label for=\"find\">Find a player</label> <input type=\"search\" id=\"find\" "
           "data-filter=\""_s +
           tableId +
           u"\" data-column=\"1\" autocomplete=\"off\" spellcheck=\"false\"> "
           "<output for=\"find\" aria-live=\"polite\"></output></p>\r\n"_s;
}

// Players sorted by kills; equal kills share a rank. The ratios of players
// with fewer games than the view's minimum are left out, so that a lucky
// first game does not top their columns.
void appendRankingTable(QString &out, const std::vector<PlayerTotals> &players, const QString &caption,
                        const RatingView &view)
{
    out += searchBox(u"ranking"_s);
    out += tableStart(u"ranking"_s, caption,
                      {{u"Rank"},
                       {u"Player", Sort::Text},
                       {u"Games"},
                       {u"Kills", Sort::Number, true},
                       {u"Deaths"},
                       {u"Kills per death"},
                       {u"Flags"},
                       {u"Zone time", Sort::Duration},
                       {u"Targets"},
                       {u"Best ratio"},
                       {u"Rating"}});
    out.reserve(out.size() + qsizetype(players.size()) * 220);
    qint64 rank = 0;
    qint64 position = 0;
    qint64 previousKills = 0;
    for (const PlayerTotals *p : byKills(players)) {
        const Totals &t = p->totals;
        ++position;
        if (position == 1 || t.kills != previousKills)
            rank = position;
        previousKills = t.kills;
        const bool fair = t.games >= view.minGames;
        const auto skill = view.skills.constFind(p->name);
        TableRow(out)
            .number(rank)
            .nameHeading(names::playerPage(p->name), p->name)
            .number(t.games)
            .number(t.kills)
            .number(t.deaths)
            .decimal(fair ? std::optional(killsPerDeath(t.kills, t.deaths)) : std::nullopt)
            .number(t.flags)
            .duration(t.zonetime)
            .number(t.targets)
            .decimal(fair ? t.bestRatio : std::nullopt)
            .figure(ratingText(skill == view.skills.cend() ? std::nullopt : std::optional(*skill)));
    }
    out += tableEnd();
    out += u"<p class=\"summary\">Kills per death and best ratio count from "_s + integer(view.minGames) +
           u" games on.</p>\r\n"_s;
}

using html::isoDate;

} // namespace

QByteArray indexPage(const std::vector<PlayerTotals> &players, const std::vector<MapSummary> &maps,
                     const QDateTime &made, const RatingView &view, const QString &charts)
{
    qint64 games = 0;
    for (const MapSummary &m : maps)
        games += m.games;
    QString body = u"<p class=\"summary\">"_s + integer(qint64(players.size())) + u" players, "_s + integer(games) +
                   u" games on "_s + integer(qint64(maps.size())) + u" maps.</p>\r\n"_s;
    body += QLatin1StringView(kMadeStart) + u"Made <time datetime=\""_s + made.toString(Qt::ISODate) + u"\">"_s +
            made.toString(u"yyyy-MM-dd HH:mm"_s) + u"</time>"_s + QLatin1StringView(kMadeEnd) + u"\r\n"_s;
    body += charts;
    appendRankingTable(body, players, u"All players by kills"_s, view);

    std::vector<const MapSummary *> order;
    for (const MapSummary &m : maps)
        order.push_back(&m);
    std::sort(order.begin(), order.end(), [](const MapSummary *a, const MapSummary *b) {
        return a->games != b->games ? a->games > b->games : a->name < b->name;
    });
    body += u"<h2 id=\"maps\">Maps</h2>\r\n"_s + charts::mapsPlayed(maps);
    body +=
        tableStart(u"map-list"_s, u"Maps by games played"_s,
                   {{u"Map", Sort::Text}, {u"Games", Sort::Number, true}, {u"Kills"}, {u"Last played", Sort::Text}});
    for (const MapSummary *m : order) {
        QString last = u"\u2013"_s;
        if (!m->recent.empty()) {
            const GameKey &newest = m->recent.front().key;
            last = anchor(names::gamePage(newest), moment(newest.date, newest.time));
        }
        TableRow(body).nameHeading(names::mapPage(m->name), m->name).number(m->games).number(m->kills).text(last);
    }
    body += tableEnd();
    return document(QString(), u"Player ranking"_s, body);
}

QByteArray boardPage(const QString &title, int days, const QDate &last, qint64 games,
                     const std::vector<PlayerTotals> &players, const RatingView &view)
{
    QString body;
    if (last.isValid()) {
        body += u"<p class=\"summary\">"_s + integer(games) + u" games from "_s + isoDate(last.addDays(1 - days)) +
                u" to "_s + isoDate(last) + u", the "_s + integer(days) + u" days up to the newest game.</p>\r\n"_s;
    } else {
        body += u"<p class=\"summary\">No game with a readable date yet.</p>\r\n"_s;
    }
    appendRankingTable(body, players, title + u" by kills"_s, view);
    return document(QString(), title, body);
}

} // namespace portal::pages
