#pragma once

#include <QString>

// The SQL texts of the player portal, beside those of the ranking pages and
// in the same portable dialect. Every row query returns the columns of
// RowColumn, in that order.
namespace PortalSql {

enum RowColumn {
    Player,
    Date,
    Time,
    Game,
    Gametype,
    Winner,
    Kills,
    Deaths,
    Ratio,
    Score,
    Zonetime,
    Flags,
    Targets,
    RowColumnCount
};

// One row a player: Player, games, kills, deaths, flags, zone time, targets
// and best ratio, as grouping the rows gives them (a sum of no values is
// NULL), read from the totals the database keeps: the cost follows the
// number of players.
QString playerTotals();
// The rows of one player; one binding: the name.
QString rowsOfPlayer();
// Every row, in the table's own order.
QString allRows();
// SQLite only: the lowest and highest rowid of the table, and every row
// up to and past a rowid (one binding), in the table's own order. Read
// one after the other, the two give what allRows() gives.
QString rowidBounds();
QString allRowsUpToRowid();
QString allRowsPastRowid();
// Every row, a game's rows together: ordered by Date, Time and Game.
QString allRowsByGame();
// The rows played at one date and time. Four bindings: the lowest and the
// first Id past the range of Ids that begin with the date and time (so the
// unique index on Id finds them), then the date and the time themselves.
QString rowsAtDateTime();
// The rows of one date. Three bindings: the Id range as above, then the date.
QString rowsOnDate();
// Each name's figures on some maps: Game, Player, games, kills and deaths,
// with one binding a map.
QString figuresOnMaps(int maps);

// The half-open Id range of the rows whose Id begins with `prefix`.
struct IdRange {
    QString first, past;
};
IdRange idRange(const QString &prefix);

} // namespace PortalSql
