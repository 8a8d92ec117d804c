// The rating board, the per-game board, and the rating on the player and
// game pages.
#include "portal/RatingPages.h"

#include "portal/Charts.h"
#include "portal/PortalHtml.h"
#include "portal/PortalNames.h"

#include <algorithm>
#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace portal::pages {

namespace {

using namespace html;

// Players whose newest game is older than this many days, up to the newest
// game, are no longer on the board's first view.
constexpr int kAwayDays = 30;

const QString kUp = u"../"_s;

QString ratingFigure(const rating::Skill &skill)
{
    return rating::shown(rating::tenths(skill.ordinal()));
}

QString changeFigure(const RatingChange &change)
{
    return rating::shown(rating::tenths(change.after.ordinal()) - rating::tenths(change.before.ordinal()), true);
}

// Best rated first; provisional players after every other.
bool boardOrder(const RatedPlayer *a, const RatedPlayer *b, int minGames)
{
    const bool pa = a->games < minGames, pb = b->games < minGames;
    if (pa != pb)
        return pb;
    const double ra = a->skill.ordinal(), rb = b->skill.ordinal();
    if (ra != rb)
        return ra > rb;
    return a->name < b->name;
}

QString playedCell(const QString &root, const std::optional<GameKey> &game)
{
    if (!game)
        return u"\u2013"_s;
    return anchor(root + names::gamePage(*game), moment(game->date, game->time));
}

void appendBoard(QString &out, const QString &id, const QString &caption, std::vector<const RatedPlayer *> players,
                 int minGames)
{
    std::sort(players.begin(), players.end(),
              [&](const RatedPlayer *a, const RatedPlayer *b) { return boardOrder(a, b, minGames); });
    out += tableStart(id, caption,
                      {{u"Rank"},
                       {u"Player", Sort::Text},
                       {u"Rating", Sort::Number, true},
                       {u"Games"},
                       {u"Last played", Sort::Text}});
    // Room for every line at once: grown by doubling, the largest page of a
    // build would hold half as much again as its size while it grows.
    out.reserve(out.size() + qsizetype(players.size()) * 270);
    qint64 rank = 0, position = 0, previous = 0;
    for (const RatedPlayer *p : players) {
        const qint64 shown = rating::tenths(p->skill.ordinal());
        const bool provisional = p->games < minGames;
        ++position;
        if (position == 1 || shown != previous)
            rank = position;
        previous = shown;
        TableRow row(out);
        if (provisional)
            row.figure(u"\u2013"_s);
        else
            row.number(rank);
        row.nameHeading(names::playerPage(p->name), p->name)
            .figure(ratingFigure(p->skill))
            .number(p->games)
            .text(playedCell(QString(), p->last));
    }
    out += tableEnd();
}

using html::isoDate;

// a's kills per game above b's; exact, as integers.
bool morePerGame(const PlayerTotals *a, const PlayerTotals *b)
{
    const qint64 left = a->totals.kills * b->totals.games, right = b->totals.kills * a->totals.games;
    if (left != right)
        return left > right;
    return a->name < b->name;
}

std::optional<double> perGame(const std::optional<qint64> &sum, qint64 games)
{
    if (!sum)
        return std::nullopt;
    return double(*sum) / double(games);
}

std::optional<qint64> secondsPerGame(const std::optional<qint64> &sum, qint64 games)
{
    if (!sum)
        return std::nullopt;
    return std::llround(double(*sum) / double(games));
}

// The name as the pages show it, as plain text.
QString shownName(const QString &name)
{
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == u' ')
        --end;
    return end == 0 ? QString(QChar(0x2423)) : name.left(end);
}

void appendJsonString(QString &out, const QString &text)
{
    out += u'"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += u'\\';
            out += c;
        } else if (u < 0x20) {
            out += u"\\u%1"_s.arg(int(u), 4, 16, QChar(u'0'));
        } else {
            out += c;
        }
    }
    out += u'"';
}

void appendJsonNumber(QString &out, double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out += QLatin1StringView(buffer, end - buffer);
}

void appendJsonInteger(QString &out, const std::optional<qint64> &value)
{
    if (value)
        out += QString::number(*value);
    else
        out += u"null"_s;
}

} // namespace

QByteArray ratingPage(const std::vector<RatedPlayer> &players, const QDate &newestDay, int minGames)
{
    const QDate firstDay = newestDay.addDays(1 - kAwayDays);
    std::vector<const RatedPlayer *> seen, away;
    qint64 provisional = 0;
    for (const RatedPlayer &p : players) {
        const bool here = !newestDay.isValid() || (p.last && GameMoment::of(*p.last).date >= firstDay);
        (here ? seen : away).push_back(&p);
        provisional += p.games < minGames ? 1 : 0;
    }
    QString body = u"<p class=\"summary\">"_s + integer(qint64(players.size())) + u" players rated; "_s +
                   integer(provisional) + u" with fewer than "_s + integer(minGames) +
                   u" games are provisional and listed after the others, without a rank.</p>\r\n"_s;
    body += u"<p>Every game ranks its players by what the game type is won by (score, zone time, flags or "
            "targets), then by kills, then by fewer deaths. From that order alone the rating learns how good "
            "each player is: finishing ahead of players rated higher gains more than finishing ahead of those "
            "rated lower, and playing more does not raise it by itself. It shows a skill the player has with "
            "near certainty, so it starts low and rises as the games tell more.</p>\r\n"_s;
    if (newestDay.isValid()) {
        body += u"<p class=\"summary\">Players who played in the "_s + integer(kAwayDays) + u" days from "_s +
                isoDate(firstDay) + u" to "_s + isoDate(newestDay) + u".</p>\r\n"_s;
    }
    appendBoard(body, u"rating"_s, u"Players by rating"_s, seen, minGames);
    if (!away.empty()) {
        body += u"<details><summary>Players not seen since "_s + isoDate(firstDay) + u" ("_s +
                integer(qint64(away.size())) + u")</summary>\r\n"_s;
        appendBoard(body, u"rating-away"_s, u"Players not seen lately, by rating"_s, away, minGames);
        body += u"</details>\r\n"_s;
    }
    return document(QString(), u"Rating"_s, body);
}

QByteArray perGamePage(const std::vector<PlayerTotals> &players, const RatingView &view)
{
    std::vector<const PlayerTotals *> order;
    for (const PlayerTotals &p : players) {
        if (p.totals.games >= std::max(view.minGames, 1))
            order.push_back(&p);
    }
    std::sort(order.begin(), order.end(), morePerGame);
    QString body = u"<p class=\"summary\">The "_s + integer(qint64(order.size())) + u" players with at least "_s +
                   integer(std::max(view.minGames, 1)) + u" games, by kills per game.</p>\r\n"_s;
    body += tableStart(u"pergame"_s, u"Players by kills per game"_s,
                       {{u"Rank"},
                        {u"Player", Sort::Text},
                        {u"Games"},
                        {u"Kills per game", Sort::Number, true},
                        {u"Deaths per game"},
                        {u"Kills per death"},
                        {u"Flags per game"},
                        {u"Zone time per game", Sort::Duration},
                        {u"Targets per game"},
                        {u"Best ratio"},
                        {u"Rating"}});
    body.reserve(body.size() + qsizetype(order.size()) * 240); // as the rating board
    qint64 rank = 0, position = 0;
    const PlayerTotals *previous = nullptr;
    for (const PlayerTotals *p : order) {
        const Totals &t = p->totals;
        ++position;
        if (!previous || t.kills * previous->totals.games != previous->totals.kills * t.games)
            rank = position;
        previous = p;
        const auto skill = view.skills.constFind(p->name);
        TableRow(body)
            .number(rank)
            .nameHeading(names::playerPage(p->name), p->name)
            .number(t.games)
            .decimal(double(t.kills) / double(t.games))
            .decimal(double(t.deaths) / double(t.games))
            .decimal(killsPerDeath(t.kills, t.deaths))
            .decimal(perGame(t.flags, t.games))
            .duration(secondsPerGame(t.zonetime, t.games))
            .decimal(perGame(t.targets, t.games))
            .decimal(t.bestRatio)
            .figure(ratingText(skill == view.skills.cend() ? std::nullopt : std::optional(*skill)));
    }
    body += tableEnd();
    return document(QString(), u"Per game"_s, body);
}

namespace {

// The rating after each game, the games in the order played. A long history
// is drawn from evenly spread games (the last always among them), so the
// page stays small.
QString ratingChart(const PlayerRating &rating)
{
    constexpr size_t kMostPoints = 200;
    const std::vector<RatingPoint> &history = rating.history;
    if (history.size() < 2)
        return {};
    std::vector<charts::Point> points;
    const size_t step = (history.size() + kMostPoints - 1) / kMostPoints;
    for (size_t i = 0; i < history.size(); i += step)
        points.push_back({qint64(i), history[i].change.after.ordinal()});
    if (points.back().x != qint64(history.size() - 1))
        points.push_back({qint64(history.size() - 1), history.back().change.after.ordinal()});
    return charts::line(u"Rating over time"_s,
                        u"Line chart of the rating after each of %1 games, from %2 to %3"_s.arg(history.size())
                            .arg(history.front().game.date, history.back().game.date),
                        points, history.front().game.date, history.back().game.date);
}

} // namespace

QString playerRatingSection(const PlayerRating &rating, int minGames)
{
    QString out = u"<h2>Rating</h2>\r\n<dl class=\"figures\">\r\n"_s;
    const std::pair<const char16_t *, QString> items[] = {
        {u"Rating", ratingFigure(rating.skill)},
        {u"Skill (\u03bc)", decimal(rating.skill.mu)},
        {u"Uncertainty (\u03c3)", decimal(rating.skill.sigma)},
        {u"Rated games", integer(rating.games)},
    };
    for (const auto &[label, value] : items)
        out += u"<div><dt>"_s + QString::fromUtf16(label) + u"</dt><dd>"_s + value + u"</dd></div>\r\n"_s;
    out += u"</dl>\r\n"_s;
    out += ratingChart(rating);
    if (rating.provisional) {
        out += u"<p class=\"summary\">Provisional: listed after the players with "_s + integer(minGames) +
               u" games or more on the rating board.</p>\r\n"_s;
    }
    return out;
}

QHash<GameKey, RatingChange> ratingsByGame(const PlayerRating &rating)
{
    QHash<GameKey, RatingChange> out;
    out.reserve(qsizetype(rating.history.size()));
    for (const RatingPoint &point : rating.history)
        out.insert(point.game, point.change);
    return out;
}

void appendRatingColumns(std::vector<html::Column> &columns, bool withBefore)
{
    if (withBefore)
        columns.push_back({u"Rating before"});
    columns.push_back({withBefore ? u"Rating after" : u"Rating"});
    columns.push_back({u"Change"});
}

void appendRatingCells(html::TableRow &row, const std::optional<RatingChange> &change, bool withBefore)
{
    if (!change) {
        if (withBefore)
            row.figure(u"\u2013"_s);
        row.figure(u"\u2013"_s).figure(u"\u2013"_s);
        return;
    }
    if (withBefore)
        row.figure(ratingFigure(change->before));
    row.figure(ratingFigure(change->after)).figure(changeFigure(*change));
}

QString ratingText(const std::optional<rating::Skill> &skill)
{
    return skill ? ratingFigure(*skill) : u"\u2013"_s;
}

QByteArray playersJson(const std::vector<PlayerTotals> &players, const std::vector<RatedPlayer> &rated, int minGames)
{
    QHash<QString, const RatedPlayer *> ratings;
    for (const RatedPlayer &r : rated)
        ratings.insert(r.name, &r);
    std::vector<const PlayerTotals *> order;
    for (const PlayerTotals &p : players)
        order.push_back(&p);
    std::sort(order.begin(), order.end(),
              [](const PlayerTotals *a, const PlayerTotals *b) { return a->name < b->name; });

    QString out = u"["_s;
    out.reserve(qsizetype(players.size()) * 320);
    for (const PlayerTotals *p : order) {
        const Totals &t = p->totals;
        const RatedPlayer *r = ratings.value(p->name);
        const rating::Skill skill = r ? r->skill : rating::Skill();
        out += out.size() == 1 ? u"\r\n{"_s : u",\r\n{"_s;
        out += u"\"name\":"_s;
        appendJsonString(out, shownName(p->name));
        out += u",\"games\":"_s + QString::number(t.games) + u",\"kills\":"_s + QString::number(t.kills) +
               u",\"deaths\":"_s + QString::number(t.deaths) + u",\"flags\":"_s;
        appendJsonInteger(out, t.flags);
        out += u",\"zonetime\":"_s;
        appendJsonInteger(out, t.zonetime);
        out += u",\"targets\":"_s;
        appendJsonInteger(out, t.targets);
        out += u",\"rating\":{\"mu\":"_s;
        appendJsonNumber(out, skill.mu);
        out += u",\"sigma\":"_s;
        appendJsonNumber(out, skill.sigma);
        out += u",\"ordinal\":"_s;
        appendJsonNumber(out, skill.ordinal());
        out += u"},\"provisional\":"_s + (t.games < minGames ? u"true"_s : u"false"_s) + u",\"last_played\":"_s;
        if (r && r->last) {
            const GameMoment m = GameMoment::of(*r->last);
            out += u'"' + isoDate(m.date) + u'T' + r->last->time + u'"';
        } else {
            out += u"null"_s;
        }
        out += u",\"page\":"_s;
        appendJsonString(out, names::playerPage(p->name));
        out += u'}';
    }
    out += u"\r\n]\r\n"_s;
    QByteArray json;
    html::appendUtf8(json, out);
    return json;
}

} // namespace portal::pages
