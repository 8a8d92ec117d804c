#include "portal/AwardsBuild.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace portal {

const std::vector<Row> &DayRows::of(const QDate &day)
{
    auto found = m_days.find(day);
    if (found == m_days.end())
        found = m_days.emplace(day, m_source.rowsOnDate(day.toString(u"MM/dd/yy"_s))).first;
    return found->second;
}

void DayRows::forgetBefore(const QDate &day)
{
    const QDate until = m_keepFrom.isValid() ? std::min(day, m_keepFrom) : day;
    m_days.erase(m_days.begin(), m_days.lower_bound(until));
}

namespace awards {

std::vector<PeriodAwards> fromRows(const RowStore &store, const std::vector<RowStore::PlayerRows> &players,
                                   const QDate &lastDay, PagePool &pool)
{
    // The day of each game, read from its texts once.
    std::vector<QDate> dayOf(store.gameCount());
    for (quint32 g = 0; g < store.gameCount(); ++g) {
        const QDate day = GameMoment::of(store.gameKey(g)).date;
        if (day.isValid() && !(lastDay.isValid() && day > lastDay))
            dayOf[g] = day;
    }
    const auto tallied = [&](size_t first, size_t end) {
        Tally tally;
        for (size_t p = first; p < end; ++p) {
            std::map<QDate, Figures> days;
            for (const std::span<const quint32> &run : players[p].runs) {
                for (const quint32 index : run) {
                    const QDate &day = dayOf[store.gameOf(index)];
                    if (day.isValid())
                        days[day].add(store.figures(index));
                }
            }
            tally.addDays(players[p].player, days);
        }
        return tally;
    };
    // Each of the pool's threads tallies a share of the players; the
    // tallies merge into the one a single thread would have made.
    std::vector<Tally> tallies(size_t(std::max(pool.threads(), 1)));
    const auto bound = [&](size_t part) { return players.size() * part / tallies.size(); };
    for (size_t part = 0; part < tallies.size(); ++part)
        pool.run([&, part] { tallies[part] = tallied(bound(part), bound(part + 1)); });
    pool.finish();
    Tally tally = std::move(tallies.front());
    for (size_t part = 1; part < tallies.size(); ++part)
        tally.merge(tallies[part]);
    return tally.result();
}

QSet<QString> refresh(std::vector<PeriodAwards> &all, const std::set<Period> &periods, DayRows &rows)
{
    const auto byPeriod = [](const PeriodAwards &a, const Period &p) { return a.period < p; };
    QSet<QString> placed; // before and after
    // Taken by their first day, so only the days of the periods still to
    // come are held: a merge can concern every month of the history.
    std::vector<Period> byStart(periods.begin(), periods.end());
    std::stable_sort(byStart.begin(), byStart.end(),
                     [](const Period &a, const Period &b) { return a.start < b.start; });
    for (size_t i = 0; i < byStart.size(); ++i) {
        const Period &period = byStart[i];
        if (i > 0)
            rows.forgetBefore(period.start);
        std::vector<const Row *> inPeriod;
        for (QDate day = period.start; day <= period.last(); day = day.addDays(1)) {
            for (const Row &row : rows.of(day))
                inPeriod.push_back(&row);
        }
        PeriodAwards fresh = awardsOf(period, inPeriod);
        const auto at = std::lower_bound(all.begin(), all.end(), period, byPeriod);
        const bool known = at != all.end() && at->period == period;
        if (known && *at == fresh)
            continue;
        for (const PeriodAwards *p : {known ? &*at : nullptr, &fresh}) {
            if (!p)
                continue;
            for (const auto &placings : p->placings)
                for (const Placing &placing : placings)
                    placed.insert(placing.player);
        }
        if (known)
            *at = std::move(fresh);
        else
            all.insert(at, std::move(fresh));
    }
    return placed;
}

} // namespace awards
} // namespace portal
