#include "portal/Awards.h"

#include <algorithm>

namespace portal::awards {

namespace {

void addOptional(std::optional<qint64> &sum, const std::optional<qint64> &value)
{
    if (value)
        sum = sum.value_or(0) + *value;
}

constexpr int kPlaces = 3;

bool same(const Figures::Score &a, const Figures::Score &b)
{
    return a.value == b.value && a.second == b.second;
}

bool better(const Figures::Score &a, const Figures::Score &b)
{
    return a.value != b.value ? a.value > b.value : a.second > b.second;
}

} // namespace

Period Period::of(PeriodKind kind, const QDate &day)
{
    switch (kind) {
    case PeriodKind::Day:
        return {kind, day};
    case PeriodKind::Week:
        return {kind, day.addDays(1 - day.dayOfWeek())};
    case PeriodKind::Month: {
        int year = 0, month = 0;
        day.getDate(&year, &month, nullptr);
        return {kind, QDate(year, month, 1)};
    }
    }
    return {kind, day};
}

QDate Period::last() const
{
    switch (kind) {
    case PeriodKind::Day:
        return start;
    case PeriodKind::Week:
        return start.addDays(6);
    case PeriodKind::Month:
        return start.addMonths(1).addDays(-1);
    }
    return start;
}

std::array<Period, 3> periodsOf(const QDate &day)
{
    return {Period::of(PeriodKind::Day, day), Period::of(PeriodKind::Week, day), Period::of(PeriodKind::Month, day)};
}

const char16_t *awardName(Award award)
{
    switch (award) {
    case Award::Kills:
        return u"Most kills";
    case Award::KillsPerDeath:
        return u"Best kills per death";
    case Award::Flags:
        return u"Most flags";
    case Award::Zonetime:
        return u"Most zone time";
    case Award::Targets:
        return u"Most targets";
    case Award::Games:
        return u"Most games";
    }
    return u"";
}

void Figures::add(const Row &row)
{
    ++games;
    kills += row.kills;
    deaths += row.deaths;
    addOptional(flags, row.flags);
    addOptional(zonetime, row.zonetime);
    addOptional(targets, row.targets);
}

void Figures::add(const Figures &other)
{
    games += other.games;
    kills += other.kills;
    deaths += other.deaths;
    addOptional(flags, other.flags);
    addOptional(zonetime, other.zonetime);
    addOptional(targets, other.targets);
}

std::optional<Figures::Score> Figures::score(Award award) const
{
    const auto byKills = [&](const std::optional<qint64> &value) -> std::optional<Score> {
        if (!value || *value <= 0)
            return std::nullopt;
        return Score{double(*value), double(kills)};
    };
    switch (award) {
    case Award::Kills:
        if (kills <= 0)
            return std::nullopt;
        return Score{double(kills), -double(deaths)};
    case Award::KillsPerDeath:
        if (games < kRatioGames || kills <= 0)
            return std::nullopt;
        // As the pages show it: a death count of 0 counts as 1.
        return Score{double(kills) / double(std::max<qint64>(deaths, 1)), double(kills)};
    case Award::Flags:
        return byKills(flags);
    case Award::Zonetime:
        return byKills(zonetime);
    case Award::Targets:
        return byKills(targets);
    case Award::Games:
        return byKills(games);
    }
    return std::nullopt;
}

void Tally::place(std::vector<Candidate> &list, const Candidate &entry)
{
    // The list is best first, ties by name; only the first three places
    // are kept, with everyone who shares one of them.
    if (list.size() >= size_t(kPlaces) && better(list[kPlaces - 1].score, entry.score))
        return;
    const auto at = std::upper_bound(list.begin(), list.end(), entry, [](const Candidate &x, const Candidate &y) {
        return !same(x.score, y.score) ? better(x.score, y.score) : x.player < y.player;
    });
    list.insert(at, entry);
    if (list.size() > size_t(kPlaces)) {
        const Figures::Score third = list[kPlaces - 1].score;
        while (better(third, list.back().score))
            list.pop_back();
    }
}

void Tally::add(const Period &period, const QString &player, const Figures &figures)
{
    auto &lists = m_periods[period];
    for (int a = 0; a < kAwardCount; ++a) {
        if (const std::optional<Figures::Score> score = figures.score(Award(a)))
            place(lists[size_t(a)], {*score, player});
    }
}

void Tally::merge(const Tally &other)
{
    // A candidate the other tally let go was behind three places there,
    // so it is behind them here too.
    for (const auto &[period, lists] : other.m_periods) {
        auto &mine = m_periods[period];
        for (int a = 0; a < kAwardCount; ++a) {
            for (const Candidate &candidate : lists[size_t(a)])
                place(mine[size_t(a)], candidate);
        }
    }
}

void Tally::addDays(const QString &player, const std::map<QDate, Figures> &days)
{
    std::map<Period, Figures> longer;
    for (const auto &[day, figures] : days) {
        add(Period::of(PeriodKind::Day, day), player, figures);
        longer[Period::of(PeriodKind::Week, day)].add(figures);
        longer[Period::of(PeriodKind::Month, day)].add(figures);
    }
    for (const auto &[period, figures] : longer)
        add(period, player, figures);
}

std::vector<PeriodAwards> Tally::result() const
{
    std::vector<PeriodAwards> out;
    out.reserve(m_periods.size());
    for (const auto &[period, lists] : m_periods) {
        PeriodAwards awards{period, {}};
        for (int a = 0; a < kAwardCount; ++a) {
            const std::vector<Candidate> &list = lists[size_t(a)];
            for (size_t i = 0; i < list.size(); ++i) {
                const int place = i > 0 && same(list[i].score, list[i - 1].score)
                                      ? awards.placings[size_t(a)].back().place
                                      : int(i) + 1;
                awards.placings[size_t(a)].push_back({list[i].player, place, list[i].score.value});
            }
        }
        out.push_back(std::move(awards));
    }
    return out;
}

PeriodAwards awardsOf(const Period &period, const std::vector<const Row *> &rows)
{
    std::map<QString, Figures> players;
    for (const Row *row : rows)
        players[row->player].add(*row);
    Tally tally;
    for (const auto &[player, figures] : players)
        tally.add(period, player, figures);
    std::vector<PeriodAwards> result = tally.result();
    return result.empty() ? PeriodAwards{period, {}} : std::move(result.front());
}

QHash<QString, std::vector<Medal>> medalsByPlayer(const std::vector<PeriodAwards> &awards)
{
    QHash<QString, std::vector<Medal>> out;
    for (const PeriodAwards &p : awards) {
        for (int a = 0; a < kAwardCount; ++a) {
            for (const Placing &placing : p.placings[size_t(a)])
                out[placing.player].push_back({p.period, Award(a), placing.place, placing.value});
        }
    }
    for (std::vector<Medal> &medals : out) {
        std::sort(medals.begin(), medals.end(), [](const Medal &x, const Medal &y) {
            if (x.period.start != y.period.start)
                return x.period.start > y.period.start;
            if (x.period.kind != y.period.kind)
                return x.period.kind > y.period.kind;
            return x.award < y.award;
        });
    }
    return out;
}

} // namespace portal::awards
