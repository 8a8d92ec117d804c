#pragma once

#include "portal/AwardsBuild.h"
#include "portal/PortalModel.h"

#include <QDate>
#include <QHash>
#include <QSet>

#include <vector>

// The boards of the recent days, which every build makes again.
namespace portal {

inline constexpr int kWeek = 7;
inline constexpr int kMonth = 30;

// Totals of each player over some rows, and the number of games they come from.
struct Board {
    std::vector<PlayerTotals> players;
    qint64 games = 0;
};

// The boards of the last 7 and 30 days up to the newest day, and the
// number of games of each of those days, from the shown players' rows.
class RecentBoards
{
public:
    explicit RecentBoards(const QDate &newest) : m_newest(newest), m_days(kMonth) {}
    // From the rows of each day.
    static RecentBoards ofDays(DayRows &days, const QDate &newest);
    // Rows of other days count for nothing.
    void add(const QDate &day, const Row &row);
    Board week() const { return m_week.board(); }
    Board month() const { return m_month.board(); }
    // Oldest first.
    std::vector<qint64> gamesPerDay() const;

private:
    struct Sums {
        QHash<QString, Totals> players;
        QSet<GameKey> games;
        void add(const Row &row);
        Board board() const;
    };
    QDate m_newest;
    std::vector<QSet<GameKey>> m_days; // oldest first
    Sums m_week, m_month;
};

} // namespace portal
