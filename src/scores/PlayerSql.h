#pragma once

#include <QString>
#include <QVariantList>

// Every SQL text of the program, in one place, in a dialect that SQLite and
// PostgreSQL both read. Filter texts are never pasted into SQL: they are
// bound as parameters, so a quote or SQL in a filter is matched as text,
// while '%' and '_' still act as Like wildcards.
namespace PlayerSql {

struct Statement {
    QString sql;
    QVariantList bindings;
};

// Table `player`.
QString countRows();
QString lookupId();  // one binding: Id
QString insertRow(); // 14 bindings in the column order of insertColumns()
const QStringList &insertColumns();
// insertRow() with a named placeholder for each column: ":" + column name.
QString insertRowNamed();
// The Id of every row whose Id lies in [first binding, second binding).
QString idsWithPrefix();
QString deleteAll();

// The three player filters (Edit19..Edit21). Filter 1 empty: no clause.
struct Filters {
    QString f1, f2, f3;
    bool isEmpty() const { return f1.isEmpty(); }
};
// Delete the rows whose player contains any filter text (matching) or none of them.
Statement deleteByFilters(const Filters &filters, bool matching);
// The number of distinct players; with filters, of those whose name contains a filter text.
Statement countPlayers(const Filters &filters);

// The six ranking queries, in the order of the export.
enum class Ranking { Kills, Deaths, Flags, Zonetime, Targets, Ratio };
// Plain form, or the filtered form when `filters` is not empty. Two result
// columns: Player and the value (TotalKills, TotalDeaths, TotalFlags,
// TotalZonetime, TotalTargets, BestRatio); highest first, ties by player name.
Statement rankingQuery(Ranking ranking, const Filters &filters = {});

// Compaction into a copy; one binding: the destination path.
QString vacuumInto();
// Statements that take the database file for this connection alone until it
// closes: a compaction holds it from before the copy until after the rename.
QStringList lockExclusively();
// A cheap read of the file's header: SQLite opens files lazily, so a damaged
// or foreign file fails only when something is read.
QString probe();

} // namespace PlayerSql
