#include "scores/NamesSql.h"

using namespace Qt::StringLiterals;

namespace NamesSql {

QString storedNames()
{
    return u"SELECT player_totals.Player, player_totals.Games FROM player_totals "
           "WHERE player_totals.Player IS NOT NULL;"_s;
}

QString assignments()
{
    return u"SELECT player_names.Player, player_names.CountsAs, player_names.Hidden FROM player_names;"_s;
}

QString gamesOfName()
{
    return u"SELECT player.Date, player.Time, player.Game FROM player WHERE player.Player = ?;"_s;
}

QString setAssignment()
{
    return u"INSERT INTO player_names (Player, CountsAs, Hidden) VALUES (?, ?, ?) "
           "ON CONFLICT (Player) DO UPDATE SET CountsAs = excluded.CountsAs, Hidden = excluded.Hidden;"_s;
}

QString clearAssignment()
{
    return u"DELETE FROM player_names WHERE Player = ?;"_s;
}

QString addLogEntry()
{
    return u"INSERT INTO player_names_log (Time, UserName, Change) VALUES (?, ?, ?);"_s;
}

QString logEntries()
{
    return u"SELECT Time, UserName, Change FROM player_names_log ORDER BY Seq;"_s;
}

QString hasNamesTable()
{
    return u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'player_names';"_s;
}

} // namespace NamesSql
