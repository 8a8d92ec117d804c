#pragma once

#include <QString>
#include <QVariantList>

// Every SQL text of the program, in one place, in a dialect that SQLite and
// PostgreSQL both read, except where marked "SQLite" below (and the schema,
// resources/schema.sql). Filter texts are never pasted into SQL: they are
// bound as parameters, so a quote or SQL in a filter is matched as text,
// while '%' and '_' still act as Like wildcards.
//
// The rankings and figures read the table `player_totals` (one row a player:
// Player, Games, Kills, Deaths, Flags, Zonetime, Targets, BestRatio), which
// the schema's triggers keep equal to grouping `player` by Player.
namespace PlayerSql {

struct Statement {
    QString sql;
    QVariantList bindings;
};

// Table `player`.
// Preparing it finds a missing or damaged table.
QString countRows();
// The number of rows, from the totals.
QString countRowsFromTotals();
QString lookupId();  // one binding: Id
QString insertRow(); // 14 bindings in the column order of insertColumns()
const QStringList &insertColumns();
// insertRow() with a named placeholder for each column: ":" + column name.
QString insertRowNamed();
// The Id of every row whose Id lies in [first binding, second binding).
QString idsWithPrefix();
// Delete all Records, in one transaction. The totals go first, so that the
// row trigger finds nothing left to count down.
QList<Statement> deleteAll();

// The three player filters (Edit19..Edit21). Filter 1 empty: no clause.
struct Filters {
    QString f1, f2, f3;
    bool isEmpty() const { return f1.isEmpty(); }
};
// Delete the rows whose player contains any filter text (matching) or none
// of them, in one transaction; the totals of those players go first, as
// with deleteAll(). Nothing when filter 1 is empty.
QList<Statement> deleteByFilters(const Filters &filters, bool matching);
// The number of distinct players; with filters, of those whose name contains a filter text.
Statement countPlayers(const Filters &filters);

// The six ranking queries, in the order of the export.
enum class Ranking { Kills, Deaths, Flags, Zonetime, Targets, Ratio };
// Plain form, or the filtered form when `filters` is not empty. Two result
// columns: Player and the value (TotalKills, TotalDeaths, TotalFlags,
// TotalZonetime, TotalTargets, BestRatio); highest first, ties by player name.
// Read from the totals: the cost follows the number of players.
Statement rankingQuery(Ranking ranking, const Filters &filters = {});
// The same rows in the same order by grouping every row of `player`: what
// the totals stand for (the benchmark's and the tests' reference).
Statement groupedRankingQuery(Ranking ranking, const Filters &filters = {});

// Schema version (SQLite: PRAGMA user_version; 0 in a file made before versions).
QString readSchemaVersion();
QString writeSchemaVersion(int version);
// A transaction that holds the write lock from its start (SQLite: BEGIN
// IMMEDIATE), so two programs upgrading at once never both read the old version.
QString beginWriting();
QString commit();
QString rollback();

// Engine settings run on the program's connection (PlayerDatabase): the one
// place they are chosen. None: SQLite's own (rollback journal, synchronous
// FULL, a 2 MB page cache, no memory-mapped I/O) measured best on this
// program's work, each alternative alone and together, best of several runs:
// - a page cache of 32 or 64 MB: no gain on the import of 160,000 rows, on
//   the same into a database of 1,000,000 rows, on grouping 1,000,000 rows or
//   on their compaction; 15 to 100 % more processor time on all but the first;
// - 256 MB of memory-mapped I/O: no gain on any of them;
// - synchronous NORMAL: no gain (one commit an import; with the rollback
//   journal it would also risk the file on a power cut);
// - WAL with synchronous NORMAL: a commit of a map's rows costs 1 instead of
//   20 ms, but the import of a whole file took three times as long, in
//   processor time too, and readers would pass the lock that a compaction
//   holds while it replaces the file.
QStringList connectionSettings();

// Compaction into a copy; one binding: the destination path.
QString vacuumInto();
// Statements that take the database file for this connection alone until it
// closes: a compaction holds it from before the copy until after the rename.
QStringList lockExclusively();
// A cheap read of the file's header: SQLite opens files lazily, so a damaged
// or foreign file fails only when something is read.
QString probe();

} // namespace PlayerSql
