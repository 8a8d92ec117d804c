// The awards page and the medals on a player's page.
#include "portal/AwardsPage.h"

#include "portal/PortalHtml.h"
#include "portal/PortalNames.h"
#include "portal/PortalTable.h"

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace portal::pages {

namespace {

using namespace awards;
using namespace html;

constexpr size_t kLatestMedals = 20;

const char16_t *const kMonths[] = {u"January", u"February", u"March",     u"April",   u"May",      u"June",
                                   u"July",    u"August",   u"September", u"October", u"November", u"December"};

using html::isoDate;

QString periodText(const Period &period)
{
    switch (period.kind) {
    case PeriodKind::Day:
        return isoDate(period.start);
    case PeriodKind::Week:
        return u"Week "_s + isoDate(period.start) + u" to "_s + isoDate(period.last());
    case PeriodKind::Month:
        return QString::fromUtf16(kMonths[period.start.month() - 1]) + u' ' + integer(period.start.year());
    }
    return {};
}

QString valueText(Award award, double value)
{
    switch (award) {
    case Award::KillsPerDeath:
        return decimal(value);
    case Award::Zonetime:
        return duration(qint64(value));
    default:
        return integer(qint64(value));
    }
}

QString medalText(int place)
{
    static const char16_t *const names[] = {u"Gold", u"Silver", u"Bronze"};
    return u"<span class=\"medal m"_s + integer(place) + u"\">"_s + QString::fromUtf16(names[place - 1]) + u"</span>"_s;
}

QString periodTable(const PeriodAwards &awards, const QString &id)
{
    QString out =
        tableStart(id, u"Awards of "_s + periodText(awards.period),
                   {{u"Award", Sort::Text}, {u"Gold", Sort::Text}, {u"Silver", Sort::Text}, {u"Bronze", Sort::Text}});
    for (int a = 0; a < kAwardCount; ++a) {
        const std::vector<Placing> &placings = awards.placings[size_t(a)];
        if (placings.empty())
            continue;
        TableRow row(out);
        row.heading(QString::fromUtf16(awardName(Award(a))));
        for (int place = 1; place <= 3; ++place) {
            QString cell;
            for (const Placing &p : placings) {
                if (p.place != place)
                    continue;
                if (!cell.isEmpty())
                    cell += u"<br>"_s;
                appendLink(cell, names::playerPage(p.player), p.player);
                cell += u' ' + valueText(Award(a), p.value);
            }
            row.text(cell.isEmpty() ? u"\u2013"_s : cell);
        }
    }
    out += tableEnd();
    return out;
}

struct Count {
    qint64 medals[3] = {0, 0, 0};
    qint64 total() const { return medals[0] + medals[1] + medals[2]; }
    bool operator==(const Count &) const = default;
};

bool moreMedals(const Count &a, const Count &b)
{
    return std::lexicographical_compare(b.medals, b.medals + 3, a.medals, a.medals + 3);
}

QString medalTable(const std::vector<PeriodAwards> &all)
{
    std::map<QString, Count> counts;
    for (const PeriodAwards &p : all)
        for (const auto &placings : p.placings)
            for (const Placing &placing : placings)
                ++counts[placing.player].medals[placing.place - 1];
    std::vector<std::pair<QString, Count>> order(counts.begin(), counts.end());
    std::stable_sort(order.begin(), order.end(),
                     [](const auto &a, const auto &b) { return moreMedals(a.second, b.second); });

    QString out = tableStart(
        u"medals"_s, u"Medals of every day, week and month, most golds first"_s,
        {{u"Rank"}, {u"Player", Sort::Text}, {u"Gold", Sort::Number, true}, {u"Silver"}, {u"Bronze"}, {u"Total"}});
    qint64 rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const Count &c = order[i].second;
        if (i == 0 || !(c == order[i - 1].second))
            rank = qint64(i) + 1;
        TableRow(out)
            .number(rank)
            .nameHeading(names::playerPage(order[i].first), order[i].first)
            .number(c.medals[0])
            .number(c.medals[1])
            .number(c.medals[2])
            .number(c.total());
    }
    out += tableEnd();
    return out;
}

} // namespace

QByteArray awardsPage(const std::vector<PeriodAwards> &all, const QDate &newest)
{
    QString body = u"<p class=\"summary\">Gold, silver and bronze go to the three best players of every day, week "
                   "(Monday to Sunday) and month of play. Players with the same figure are told apart by fewer deaths "
                   "(for kills) or more kills (for the rest); those equal on both share the place, and the place "
                   "after them is left out. Kills per death counts for players with at least "_s +
                   integer(kRatioGames) +
                   u" games in the period. Games dated after the day the portal was made count for none.</p>\r\n"_s;
    if (!newest.isValid()) {
        body += u"<p class=\"summary\">No game with a readable date yet.</p>\r\n"_s;
    } else {
        const std::pair<PeriodKind, const char16_t *> newestPeriods[] = {
            {PeriodKind::Day, u"day"}, {PeriodKind::Week, u"week"}, {PeriodKind::Month, u"month"}};
        for (const auto &[kind, id] : newestPeriods) {
            const Period period = Period::of(kind, newest);
            const auto found = std::lower_bound(all.begin(), all.end(), period,
                                                [](const PeriodAwards &a, const Period &p) { return a.period < p; });
            const QString heading = kind == PeriodKind::Day    ? u"Newest day: "_s
                                    : kind == PeriodKind::Week ? u"Newest week: "_s
                                                               : u"Newest month: "_s;
            const QString dates = kind == PeriodKind::Week ? isoDate(period.start) + u" to "_s + isoDate(period.last())
                                                           : periodText(period);
            body += u"<h2>"_s + heading + dates + u"</h2>\r\n"_s;
            body += periodTable(found != all.end() && found->period == period ? *found : PeriodAwards{period, {}},
                                QString::fromUtf16(id));
        }
    }
    body += u"<h2 id=\"table\">Medal table</h2>\r\n"_s + medalTable(all);
    return document(QString(), u"Awards"_s, body);
}

QString medalsSection(const std::vector<Medal> &medals, const QString &root)
{
    QString out = u"<h2>Medals</h2>\r\n"_s;
    if (medals.empty())
        return out +
               u"<p class=\"summary\">No medals yet: they go to the three best players of every day, week "
               "and month (see <a href=\""_s +
               root + names::kAwardsPage + u"\">Awards</a>).</p>\r\n"_s;
    Count count;
    for (const Medal &m : medals)
        ++count.medals[m.place - 1];
    out += u"<dl class=\"figures\">\r\n"_s;
    for (int place = 1; place <= 3; ++place)
        out += u"<div><dt>"_s + medalText(place) + u"</dt><dd>"_s + integer(count.medals[place - 1]) +
               u"</dd></div>\r\n"_s;
    out += u"</dl>\r\n"_s;
    out +=
        tableStart(u"medals"_s, u"Latest medals, newest first"_s,
                   {{u"Period", Sort::Text}, {u"Award", Sort::Text}, {u"Medal", Sort::Text}, {u"Figure", Sort::Text}});
    for (size_t i = 0; i < medals.size() && i < kLatestMedals; ++i) {
        const Medal &m = medals[i];
        TableRow(out)
            .heading(periodText(m.period))
            .text(QString::fromUtf16(awardName(m.award)))
            .text(medalText(m.place))
            .text(valueText(m.award, m.value));
    }
    out += tableEnd();
    return out;
}

} // namespace portal::pages
