#pragma once

#include <QString>

// The SQL texts of the names' assignments (tables player_names and
// player_names_log), beside those of the ranking pages and in the same
// portable dialect.
namespace NamesSql {

// Every stored name with its number of games: Player, Games.
QString storedNames();
// Every assignment: Player, CountsAs, Hidden.
QString assignments();
// One binding: the name. Its games: Date, Time, Game.
QString gamesOfName();
// Three bindings: the name, what it counts as (NULL: itself), hidden (0 or 1).
QString setAssignment();
// One binding: the name; it counts as itself and is shown again.
QString clearAssignment();
// Three bindings: the time, the user name, the change.
QString addLogEntry();
// Time, UserName, Change, oldest first.
QString logEntries();
// Whether the table player_names exists (a file of an earlier version,
// read without upgrading it): one row, 1 or 0. SQLite only.
QString hasNamesTable();

} // namespace NamesSql
