#include "portal/PortalModel.h"

#include <algorithm>

namespace portal {

namespace {

// Two decimal digits at `pos`, or -1.
int twoDigits(const QString &text, qsizetype pos)
{
    const char16_t a = text.at(pos).unicode(), b = text.at(pos + 1).unicode();
    if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
        return -1;
    return (a - u'0') * 10 + (b - u'0');
}

// The game writes the year with two digits; its games were played from
// 1999 on, so 70 to 99 are of the last century and the rest of this one.
int fullYear(int twoDigitYear)
{
    return twoDigitYear >= 70 ? 1900 + twoDigitYear : 2000 + twoDigitYear;
}

void addOptional(std::optional<qint64> &sum, const std::optional<qint64> &value)
{
    if (value)
        sum = sum.value_or(0) + *value;
}

bool newerFirst(const MapGame &a, const MapGame &b)
{
    const qint64 ka = GameMoment::of(a.key).sortKey(), kb = GameMoment::of(b.key).sortKey();
    if (ka != kb)
        return ka > kb;
    return a.key > b.key;
}

} // namespace

GameMoment GameMoment::of(const QString &date, const QString &time)
{
    GameMoment moment;
    const QString &d = date;
    if (d.size() == 8 && d.at(2) == u'/' && d.at(5) == u'/') {
        const int month = twoDigits(d, 0), day = twoDigits(d, 3), year = twoDigits(d, 6);
        if (month >= 0 && day >= 0 && year >= 0)
            moment.date = QDate(fullYear(year), month, day);
    }
    const QString &t = time;
    if (t.size() == 8 && t.at(2) == u':' && t.at(5) == u':') {
        const int h = twoDigits(t, 0), m = twoDigits(t, 3), s = twoDigits(t, 6);
        if (h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && s < 60)
            moment.seconds = h * 3600 + m * 60 + s;
    }
    return moment;
}

void Totals::add(const Row &row)
{
    ++games;
    kills += row.kills;
    deaths += row.deaths;
    addOptional(flags, row.flags);
    addOptional(zonetime, row.zonetime);
    addOptional(targets, row.targets);
    if (!bestRatio || row.ratio > *bestRatio)
        bestRatio = row.ratio;
}

void Totals::add(const Totals &other)
{
    games += other.games;
    kills += other.kills;
    deaths += other.deaths;
    addOptional(flags, other.flags);
    addOptional(zonetime, other.zonetime);
    addOptional(targets, other.targets);
    if (other.bestRatio && (!bestRatio || *other.bestRatio > *bestRatio))
        bestRatio = other.bestRatio;
}

bool killsOrder(const QString &nameA, qint64 killsA, const QString &nameB, qint64 killsB)
{
    if (killsA != killsB)
        return killsA > killsB;
    return nameA < nameB;
}

void MapSummary::addGame(const Game &game)
{
    ++games;
    for (const Row &line : game.lines)
        kills += line.kills;
    const MapGame entry{game.key, game.type, game.winner, qint64(game.lines.size())};
    recent.insert(std::upper_bound(recent.begin(), recent.end(), entry, newerFirst), entry);
    if (recent.size() > kRecentGames)
        recent.resize(kRecentGames);
}

bool MapSummary::updatePlayer(const MapPlayer &player)
{
    const auto byKills = [](const MapPlayer &a, const MapPlayer &b) {
        return killsOrder(a.name, a.kills, b.name, b.kills);
    };
    const auto old = std::find_if(best.begin(), best.end(), [&](const MapPlayer &p) { return p.name == player.name; });
    if (old != best.end()) {
        if (player.kills < old->kills && best.size() >= kBestPlayers)
            return false;
        best.erase(old);
    }
    best.insert(std::upper_bound(best.begin(), best.end(), player, byKills), player);
    if (best.size() > kBestPlayers)
        best.resize(kBestPlayers);
    return true;
}

} // namespace portal
