#pragma once

#include "portal/PortalModel.h"
#include "portal/RowStore.h"
#include "scores/NameAssignments.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <map>
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
    // few thousand at a time.
    RowStore allRows(qint64 expected, const std::function<void(qint64 rows)> &read = {});
    // One pass over every row, a game at a time.
    void forEachGame(const std::function<void(Game &game)> &visit);

private:
    QSqlQuery &prepared(QSqlQuery &query, const QString &sql);
    Row readRow(const QSqlQuery &q) const;
    std::vector<Row> readRows(QSqlQuery &q, bool shownOnly) const;

    QSqlDatabase m_db;
    NameAssignments m_names;
    QSet<QString> m_merged; // players with names merged into them
    QSqlQuery m_playerRows;
    QSqlQuery m_gameRows;
    QSqlQuery m_dateRows;
};

} // namespace portal
