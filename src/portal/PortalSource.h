#pragma once

#include "portal/PortalModel.h"
#include "portal/RowStore.h"
#include "scores/NameAssignments.h"
#include "scores/SqliteStatement.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// Reads the portal's values from the table `player`, each row under the
// player its name counts as (NameAssignments, read once when made); hidden
// players are left out of everything but the games' scoreboards. Every call
// throws RankholdError with the engine's message when a statement fails.
namespace portal {

class PortalSource
{
public:
    explicit PortalSource(QSqlDatabase db);
    ~PortalSource();
    PortalSource(const PortalSource &) = delete;
    PortalSource &operator=(const PortalSource &) = delete;

    const NameAssignments &names() const { return m_names; }
    // Whether the player has a page and a place on the boards.
    bool isShown(const QString &player) const
    {
        return !m_names.isHidden(player) && m_names.playerOf(player) == player;
    }

    // Every shown player's totals, in no particular order.
    std::vector<PlayerTotals> playerTotals() { return shownTotals(storedTotals()); }
    // The totals of every name as the game wrote it, in no particular order.
    std::vector<PlayerTotals> storedTotals();
    // The players' totals made of their names'.
    std::vector<PlayerTotals> shownTotals(const std::vector<PlayerTotals> &stored) const;
    // The rows of every name that counts as the player (hidden ones too).
    std::vector<Row> rowsOfPlayer(const QString &player);
    // The games of one name as the game wrote it.
    std::vector<GameKey> gamesOfName(const QString &name);
    Game game(const GameKey &key);
    // The shown players' rows played on a date, given as the score file writes it.
    std::vector<Row> rowsOnDate(const QString &dateText);
    // Every shown player's figures on each of the maps.
    std::map<QString, std::vector<MapPlayer>> playersOnMaps(const QStringList &maps);

    // Every row, hidden players' too, in one pass (the full build); room is
    // made for `expected` rows at once. `read` hears of the rows read, a
    // few thousand at a time. `sideBySide` lets a SQLite file be read on
    // two threads, each half of the table; the store is the same.
    RowStore allRows(qint64 expected, const std::function<void(qint64 rows)> &read = {}, bool sideBySide = false);
    // One pass over every row, a game at a time.
    void forEachGame(const std::function<void(Game &game)> &visit);

private:
    // The row under the player its name counts as.
    void named(Row &row) const;
    // Runs a statement of the row columns with `binds`, each row to `visit`
    // as stored. A SQLite file is read through SQLite's own interface;
    // unless `owned`, the row's texts lie in its buffer and last only until
    // `visit` returns.
    void selectRows(const QString &sql, const QStringList &binds, bool owned, const std::function<void(Row &)> &visit);
    // The statement through SQLite's own interface, prepared once; null
    // for another engine.
    SqliteStatement *sqlite(const QString &sql);
    // A rowid halfway between the table's lowest and highest; none for a
    // table of fewer than two rows or without rowids.
    std::optional<qint64> halfwayRowid();
    void selectCells(SqliteStatement &statement, const QStringList &binds,
                     const std::function<void(const SqliteStatement::Cells &)> &visit);
    std::vector<Row> namedRows(const QString &sql, const QStringList &binds, bool shownOnly);

    QSqlDatabase m_db;
    NameAssignments m_names;
    QSet<QString> m_merged; // players with names merged into them
    // Prepared once: SQLite's own (null for another engine), or Qt's.
    std::map<QString, std::unique_ptr<SqliteStatement>> m_statements;
    std::map<QString, QSqlQuery> m_queries;
};

} // namespace portal
