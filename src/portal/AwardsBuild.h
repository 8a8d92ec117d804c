#pragma once

#include "portal/Awards.h"
#include "portal/PagePool.h"
#include "portal/PortalSource.h"

#include <QDate>
#include <QSet>

#include <map>
#include <set>
#include <vector>

// The awards as a build makes them: all at once from every row, or only
// the periods of new games, from the rows of their days.
namespace portal {

// The rows of single days, each read from the database once in a build.
class DayRows
{
public:
    explicit DayRows(PortalSource &source) : m_source(source) {}
    const std::vector<Row> &of(const QDate &day);
    // Lets the rows of the days before `day` go, when no period left needs
    // them, but for those from the day given to keepFrom on.
    void forgetBefore(const QDate &day);
    void keepFrom(const QDate &day) { m_keepFrom = day; }

private:
    PortalSource &m_source;
    std::map<QDate, std::vector<Row>> m_days;
    QDate m_keepFrom;
};

namespace awards {

// The awards of every period, in the order of their periods, leaving out
// the games dated after `lastDay` when it is valid. The players are summed
// on the pool's threads; the awards are the same whatever their number.
std::vector<PeriodAwards> fromRows(const RowStore &store, const std::vector<RowStore::PlayerRows> &players,
                                   const QDate &lastDay, PagePool &pool);

// Makes the awards of `periods` again from their rows, in place, and tells
// the players whose medals changed.
QSet<QString> refresh(std::vector<PeriodAwards> &all, const std::set<Period> &periods, DayRows &rows);

} // namespace awards
} // namespace portal
