// A player's own page.
#include "portal/AwardsPage.h"
#include "portal/Charts.h"
#include "portal/PortalHtml.h"
#include "portal/PortalNames.h"
#include "portal/PortalPages.h"
#include "portal/PortalTable.h"

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace portal::pages {

namespace {

using namespace html;

constexpr size_t kLastGames = 20;
constexpr size_t kBestGames = 5;

const QString kUp = u"../"_s;

// A row with the moment of its game, read from its texts once: the sorts
// below would read it again in every comparison.
struct Placed {
    qint64 played;
    const Row *row;
};

bool newerFirst(const Placed &a, const Placed &b)
{
    if (a.played != b.played)
        return a.played > b.played;
    return a.row->game > b.row->game;
}

bool betterFirst(const Placed &a, const Placed &b)
{
    if (a.row->kills != b.row->kills)
        return a.row->kills > b.row->kills;
    if (a.row->ratio != b.row->ratio)
        return a.row->ratio > b.row->ratio;
    return newerFirst(a, b);
}

// What the game type counts besides kills, with its name.
QString objective(const Row &row)
{
    if (row.score)
        return u"Score "_s + integer(*row.score);
    if (row.zonetime)
        return u"Zone "_s + duration(*row.zonetime);
    if (row.flags)
        return u"Flags "_s + integer(*row.flags);
    if (row.targets)
        return u"Targets "_s + integer(*row.targets);
    return u"\u2013"_s;
}

struct TypeTotals {
    Totals totals;
    std::optional<qint64> score;
};

QString totalsList(const Totals &t)
{
    const std::pair<const char16_t *, QString> items[] = {
        {u"Games", integer(t.games)},     {u"Kills", integer(t.kills)},
        {u"Deaths", integer(t.deaths)},   {u"Kills per death", decimal(killsPerDeath(t.kills, t.deaths))},
        {u"Flags", integer(t.flags)},     {u"Zone time", duration(t.zonetime)},
        {u"Targets", integer(t.targets)}, {u"Best ratio", decimal(t.bestRatio)},
    };
    QString out = u"<dl class=\"figures\">\r\n"_s;
    for (const auto &[label, value] : items)
        out += u"<div><dt>"_s + QString::fromUtf16(label) + u"</dt><dd>"_s + value + u"</dd></div>\r\n"_s;
    out += u"</dl>\r\n"_s;
    return out;
}

QString typeTable(const std::vector<Row> &rows)
{
    std::map<QString, TypeTotals> types;
    for (const Row &row : rows) {
        TypeTotals &t = types[row.type];
        t.totals.add(row);
        if (row.score)
            t.score = t.score.value_or(0) + *row.score;
    }
    std::vector<std::pair<QString, TypeTotals>> order(types.begin(), types.end());
    std::stable_sort(order.begin(), order.end(),
                     [](const auto &a, const auto &b) { return a.second.totals.games > b.second.totals.games; });

    QString out = tableStart(u"types"_s, u"Totals per game type"_s,
                             {{u"Game type", Sort::Text},
                              {u"Games", Sort::Number, true},
                              {u"Kills"},
                              {u"Deaths"},
                              {u"Kills per death"},
                              {u"Score"},
                              {u"Zone time", Sort::Duration},
                              {u"Flags"},
                              {u"Targets"},
                              {u"Best ratio"}});
    for (const auto &[type, tt] : order) {
        const Totals &t = tt.totals;
        TableRow(out)
            .heading(escape(type))
            .number(t.games)
            .number(t.kills)
            .number(t.deaths)
            .decimal(killsPerDeath(t.kills, t.deaths))
            .number(tt.score)
            .duration(t.zonetime)
            .number(t.flags)
            .number(t.targets)
            .decimal(t.bestRatio);
    }
    out += tableEnd();
    return out;
}

// With the rating after each game and its change there: the latest games
// are the rating's latest history.
QString gamesTable(const QString &id, const QString &caption, const std::vector<Placed> &rows, size_t count,
                   const QHash<GameKey, RatingChange> &ratings)
{
    std::vector<Column> columns = {{u"Played", Sort::Text},
                                   {u"Map", Sort::Text},
                                   {u"Game type", Sort::Text},
                                   {u"Kills"},
                                   {u"Deaths"},
                                   {u"Ratio"},
                                   {u"Objective", Sort::Text}};
    appendRatingColumns(columns, false);
    QString out = tableStart(id, caption, columns);
    for (size_t i = 0; i < rows.size() && i < count; ++i) {
        const Row &r = *rows[i].row;
        TableRow row(out);
        row.heading(anchor(kUp + names::gamePage(r.game), moment(r.game.date, r.game.time)))
            .nameText(kUp + names::mapPage(r.game.map), r.game.map)
            .text(escape(r.type))
            .number(r.kills)
            .number(r.deaths)
            .decimal(r.ratio)
            .text(objective(r));
        const auto change = ratings.constFind(r.game);
        appendRatingCells(row, change == ratings.cend() ? std::nullopt : std::optional(*change), false);
    }
    out += tableEnd();
    return out;
}

} // namespace

QByteArray playerPage(const QString &player, std::vector<Row> rows, const PlayerRating &rating, int minGames,
                      const std::vector<awards::Medal> &medals, const QDate &lastDay)
{
    Totals totals;
    for (const Row &row : rows)
        totals.add(row);

    QString body = u"<h2>Totals</h2>\r\n"_s + totalsList(totals);
    body += playerRatingSection(rating, minGames);
    body += medalsSection(medals, kUp);
    body += charts::playerCharts(rows, lastDay);
    body += u"<h2>Per game type</h2>\r\n"_s + typeTable(rows);

    std::vector<Placed> order;
    order.reserve(rows.size());
    for (const Row &row : rows)
        order.push_back({GameMoment::of(row.game).sortKey(), &row});
    std::partial_sort(order.begin(), order.begin() + qsizetype(std::min(kBestGames, order.size())), order.end(),
                      betterFirst);
    const QHash<GameKey, RatingChange> ratings = ratingsByGame(rating);
    body += u"<h2>Best games</h2>\r\n"_s + gamesTable(u"best"_s, u"Best games by kills"_s, order, kBestGames, ratings);

    std::sort(order.begin(), order.end(), newerFirst);
    body += u"<h2>Last games</h2>\r\n"_s +
            gamesTable(u"last"_s, u"Latest games, newest first"_s, order, kLastGames, ratings);
    return document(kUp, player, body);
}

} // namespace portal::pages
