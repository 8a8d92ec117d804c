#include "scores/PortalSql.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace PortalSql {

namespace {

// The columns of RowColumn.
const QString kRowSelect = u"SELECT player.Player, player.Date, player.Time, player.Game, player.Gametype, "
                           "player.Winner, player.Kills, player.Deaths, player.Ratio, player.Score, "
                           "player.Zonetime, player.Flags, player.Targets FROM player "_s;

} // namespace

QString playerTotals()
{
    return u"SELECT player_totals.Player, player_totals.Games, player_totals.Kills, player_totals.Deaths, "
           "player_totals.Flags, player_totals.Zonetime, player_totals.Targets, player_totals.BestRatio "
           "FROM player_totals;"_s;
}

QString rowsOfPlayer()
{
    return kRowSelect + u"WHERE player.Player = ?;"_s;
}

QString allRows()
{
    return kRowSelect + u";"_s;
}

QString rowidBounds()
{
    return u"SELECT min(rowid), max(rowid) FROM player;"_s;
}

QString allRowsUpToRowid()
{
    return kRowSelect + u"WHERE rowid <= ?;"_s;
}

QString allRowsPastRowid()
{
    return kRowSelect + u"WHERE rowid > ?;"_s;
}

QString allRowsByGame()
{
    return kRowSelect + u"ORDER BY player.Date, player.Time, player.Game;"_s;
}

QString rowsAtDateTime()
{
    return kRowSelect + u"WHERE player.Id >= ? AND player.Id < ? AND player.Date = ? AND player.Time = ?;"_s;
}

QString rowsOnDate()
{
    return kRowSelect + u"WHERE player.Id >= ? AND player.Id < ? AND player.Date = ?;"_s;
}

QString figuresOnMaps(int maps)
{
    QStringList places;
    for (int i = 0; i < maps; ++i)
        places.append(u"?"_s);
    // PostgreSQL sums whole numbers into a decimal type: made whole again.
    return u"SELECT player.Game, player.Player, COUNT(*), CAST(Sum(player.Kills) AS BIGINT), "
           "CAST(Sum(player.Deaths) AS BIGINT) FROM player WHERE player.Game IN ("_s +
           places.join(u", "_s) + u") GROUP BY player.Game, player.Player;"_s;
}

IdRange idRange(const QString &prefix)
{
    // Every text that begins with the prefix sorts below the prefix with its
    // last character raised by one; the prefixes end in a blank, so that is "!".
    QString past = prefix;
    if (!past.isEmpty())
        past.back() = QChar(past.back().unicode() + 1);
    return {prefix, past};
}

} // namespace PortalSql
