#pragma once

#include "scores/DatabaseLocation.h"

#include <QString>
#include <QVariantList>

// Every SQL text of the program, in one place. A function without an engine
// gives a text that SQLite and PostgreSQL both read the same way; where they
// differ, the function takes the engine (and the schema has a file for
// each: resources/schema.sql, resources/schema-postgresql.sql). Filter texts
// are never pasted into SQL: they are bound as parameters, so a quote or SQL
// in a filter is matched as text, while '%' and '_' still act as Like
// wildcards.
//
// What the PostgreSQL texts make equal to SQLite's: Player and Id compare
// byte by byte (their columns are COLLATE "C"), so ties and key ranges order
// as in SQLite; the filters match ASCII letters of either case and nothing
// else (ILIKE on that collation) with no escape character; empty values sort
// as SQLite sorts them (last in a ranking, an empty name first); sums come
// back as whole numbers.
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
const QStringList &insertColumns();
// One INSERT of `rows` rows (14 bindings each, in the column order of
// insertColumns()). A row whose Id is stored already is left out by the
// database itself (no row is affected then), so importers that write at once
// never store a row twice.
QString insertRows(int rows);
// The most rows an import stores with one insertRows(). PostgreSQL's totals
// follow each statement, and every statement rewrites the totals of its
// players: within the one transaction of an import those old versions pile
// up until it ends, so that a long score file stored a map at a time would
// cost time in the square of its length. A few hundred statements for a
// file of many thousand rows keep that small.
int mostRowsAStatement(SqlEngine engine);
// The same, for copying a whole table: a stored Id fails it.
QString copyRows(int rows);

// PostgreSQL's bulk path (see ServerCopy). The import copies its rows
// straight into `player` (copyIntoPlayer) while none of its keys is stored;
// otherwise into a table of its own transaction (numbered in file order,
// Seq), then moves them into `player` with one statement, which leaves out
// the Ids stored already (the first of a file's rows with one Id wins).
// Either way the totals' trigger counts them once a statement.
QString makeImportStaging();
QString copyIntoImportStaging();
QString insertFromImportStaging();
QString emptyImportStaging();
// The rows of a copy straight into `player`; a stored Id fails it.
QString copyIntoPlayer();
// Every row of `player` in the column order of insertColumns().
QString selectAllRows();
// Whether the table `player` exists: one row, 1 or 0.
QString hasPlayerTable(SqlEngine engine);
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
QList<Statement> deleteByFilters(SqlEngine engine, const Filters &filters, bool matching);
// The number of distinct players; with filters, of those whose name contains a filter text.
Statement countPlayers(SqlEngine engine, const Filters &filters);

// The six ranking queries, in the order of the export.
enum class Ranking { Kills, Deaths, Flags, Zonetime, Targets, Ratio };
// Plain form, or the filtered form when `filters` is not empty. Two result
// columns: Player and the value (TotalKills, TotalDeaths, TotalFlags,
// TotalZonetime, TotalTargets, BestRatio); highest first, ties by player name.
// Read from the totals: the cost follows the number of players.
Statement rankingQuery(SqlEngine engine, Ranking ranking, const Filters &filters = {});
// The same rows in the same order by grouping every row of `player`: what
// the totals stand for (the benchmark's and the tests' reference).
Statement groupedRankingQuery(SqlEngine engine, Ranking ranking, const Filters &filters = {});

// Schema version (SQLite: PRAGMA user_version, 0 in a file made before
// versions; PostgreSQL: the comment on the table player, 0 without one).
QString readSchemaVersion(SqlEngine engine);
QString writeSchemaVersion(SqlEngine engine, int version);
// A transaction that holds the write lock from its start, so two programs
// upgrading at once never both read the old version (SQLite: BEGIN
// IMMEDIATE; PostgreSQL: BEGIN, then lockWriters()).
QStringList beginWriting(SqlEngine engine);
// Run first in every transaction that writes rows: writers take turns
// (PostgreSQL: a lock of this database held until the transaction ends), so
// two importers on two machines never wait for each other's rows in a
// circle. SQLite's own write lock does that already: nothing.
QStringList lockWriters(SqlEngine engine);
QString commit();
QString rollback();
// A subtransaction around a statement the engine might refuse (PostgreSQL
// gives up the whole transaction at a refused statement otherwise).
QString savepoint();
QString rollbackToSavepoint();
QString releaseSavepoint();

// Engine settings run on the program's connection (PlayerDatabase): the one
// place they are chosen, with importSettings() below. SQLite: none; its own
// (rollback journal, synchronous FULL, a 2 MB page cache, no memory-mapped
// I/O) measured best. Processor seconds of rankhold-cli in bench/ (best of
// three; import of 160,000 rows, the same file again, export at 1,000,000
// rows / 20,000 players):
//   SQLite's own                       1.30   0.24   0.40
//   page cache 64 MB                   1.72   0.32   0.41
//   memory-mapped I/O 256 MB           1.42   0.30   0.41
//   synchronous NORMAL                 1.42   0.26   0.44
//   WAL journal, synchronous NORMAL    5.64   0.38   0.39
// A larger cache costs page faults and gains nothing on one transaction an
// import; synchronous NORMAL saves one sync a commit and would risk the file
// on a power cut with the rollback journal; WAL is four times slower on a
// large transaction, and readers would pass the lock a compaction holds
// while it replaces the file.
//
// PostgreSQL: notices (such as "trigger ... does not exist, skipping") stay
// on the server instead of going to stderr; every execution of a prepared
// statement is planned for the table as it is then: the import prepares its
// statements on a table that may be empty when it starts, and a plan made
// then would read the whole table for every map it looks up.
QStringList connectionSettings(SqlEngine engine);
// Run around the transaction of an import (before it begins, after it
// ends), where they may fail without harm. SQLite keeps a copy of the pages
// each statement of a transaction changes, to undo a statement that fails
// half-way; the rows an import stores with one statement change more than
// the 64 KB it keeps in memory, and writing the rest to a temporary file took
// some 50 writes a map and about doubled the import's processor time (bench/:
// 2.4 s, 537,000 writes for 160,000 rows; 1.4 s in memory). In memory for
// the import only: its statements are 64 rows at most, while a delete of every
// row would keep a copy of the whole file there.
QStringList importSettings(SqlEngine engine);
QStringList afterImportSettings(SqlEngine engine);

// SQLite only.
// Compaction into a copy; one binding: the destination path.
QString vacuumInto();
// Statements that take the database file for this connection alone until it
// closes: a compaction holds it from before the copy until after the rename.
QStringList lockExclusively();
// A cheap read that fails when the database cannot be used: SQLite opens
// files lazily, so a damaged or foreign file fails only when something is
// read; on PostgreSQL it finds a connection the server has dropped.
QString probe(SqlEngine engine);

// PostgreSQL only.
// The encoding of the database: Rankhold stores any name in UTF8.
QString databaseEncoding();
// The size of the whole database in bytes ("Filesize").
QString databaseSize();
// One row, 1 when this user may compact both tables (owns them, owns the
// database, or is a superuser), else 0: a VACUUM of a table one may not
// compact only warns, and would pass for done.
QString mayCompactTables();
// Compaction: the tables rewritten without their dead rows, and their
// statistics renewed. Not in a transaction.
QString compactTables();
// The bytes the two tables take, indexes included.
QString tablesSize();
// How long a compaction waits for the tables before it gives up.
QString limitLockWait();
QString resetLockWait();

} // namespace PlayerSql
