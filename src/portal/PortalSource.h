#pragma once

#include "portal/Awards.h"
#include "portal/PortalModel.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <vector>

// Reads the portal's values from the table `player`. Every call throws
// RankholdError with the engine's message when a statement fails.
namespace portal {

class PortalSource
{
public:
    explicit PortalSource(QSqlDatabase db);

    // Every player's totals, in no particular order.
    std::vector<PlayerTotals> playerTotals();
    std::vector<Row> rowsOfPlayer(const QString &player);
    Game game(const GameKey &key);
    // The rows played on a date, given as the score file writes it.
    std::vector<Row> rowsOnDate(const QString &dateText);

    // One pass over every row, a player at a time (the full build). The
    // rows handed over may be moved from.
    void forEachPlayer(const std::function<void(const QString &player, std::vector<Row> &rows)> &visit);
    // Each player's figures per date text, a player's dates in one call.
    void forEachPlayerDays(
        const std::function<void(const QString &player, const std::vector<std::pair<QString, awards::Figures>> &days)>
            &visit);
    // One pass over every row, a game at a time.
    void forEachGame(const std::function<void(Game &game)> &visit);
    // One pass over every row, in no particular order, with what the
    // rating needs of it (no winner, no ratio).
    void forEachRatingRow(const std::function<void(const Row &row)> &visit);

private:
    QSqlQuery &prepared(QSqlQuery &query, const QString &sql);

    QSqlDatabase m_db;
    QSqlQuery m_playerRows;
    QSqlQuery m_gameRows;
    QSqlQuery m_dateRows;
};

} // namespace portal
