#include "portal/RecentBoards.h"

namespace portal {

using namespace Qt::StringLiterals;

void RecentBoards::add(const QDate &day, const Row &row)
{
    if (!m_newest.isValid() || day > m_newest || day <= m_newest.addDays(-kMonth))
        return;
    const qint64 back = day.daysTo(m_newest);
    m_days[size_t(kMonth - 1 - back)].insert(row.game);
    m_month.add(row);
    if (back < kWeek)
        m_week.add(row);
}

std::vector<qint64> RecentBoards::gamesPerDay() const
{
    std::vector<qint64> games;
    for (const QSet<GameKey> &day : m_days)
        games.push_back(day.size());
    return games;
}

void RecentBoards::Sums::add(const Row &row)
{
    players[row.player].add(row);
    games.insert(row.game);
}

Board RecentBoards::Sums::board() const
{
    Board board;
    board.games = games.size();
    board.players.reserve(size_t(players.size()));
    for (auto it = players.cbegin(); it != players.cend(); ++it)
        board.players.push_back({it.key(), it.value()});
    return board;
}

RecentBoards RecentBoards::ofDays(DayRows &days, const QDate &newest)
{
    RecentBoards recent(newest);
    for (int d = 0; d < kMonth && newest.isValid(); ++d) {
        const QDate day = newest.addDays(-d);
        for (const Row &row : days.of(day))
            recent.add(day, row);
    }
    return recent;
}

} // namespace portal
