// The medals of a small crafted history, as a full build gathers them
// (player by player, day by day) and as a new game makes its periods again
// (from the rows of the period).
#include "portal/Awards.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace portal;
using namespace portal::awards;

namespace {

Row row(const char *player, const char *date, qint64 kills, qint64 deaths, std::optional<qint64> flags = {},
        std::optional<qint64> zonetime = {})
{
    Row r;
    r.player = QString::fromLatin1(player);
    r.game = {QString::fromLatin1(date), u"20:00:00"_s, u"Canyon"_s};
    r.kills = kills;
    r.deaths = deaths;
    r.flags = flags;
    r.zonetime = zonetime;
    return r;
}

// Monday 04/29/02 to Sunday 05/05/02 is one week across two months.
const std::vector<Row> kHistory = {
    row("A", "04/29/02", 10, 2, 3),    row("B", "04/29/02", 10, 5, 0),      row("C", "04/29/02", 4, 1, 1),
    row("D", "04/29/02", 0, 0, 0),     row("A", "04/30/02", 5, 5),          row("C", "04/30/02", 9, 1),
    row("E", "04/30/02", 2, 1),        row("C", "05/02/02", 1, 3, {}, 100), row("E", "05/02/02", 7, 0, {}, 300),
    row("B", "05/02/02", 3, 3, {}, 0), row("C", "05/02/02", 2, 1),          row("E", "05/02/02", 1, 1),
};

// The placings of one award as "player=place", best first.
QString placings(const PeriodAwards &awards, Award award)
{
    QStringList out;
    for (const Placing &p : awards.placings[size_t(award)])
        out.append(p.player + u'=' + QString::number(p.place));
    return out.join(u' ');
}

TEST(PortalAwards, ACraftedHistoryGivesTheMedalsItEarned)
{
    struct Expected {
        PeriodKind kind;
        QDate day;
        Award award;
        const char *placings;
    };
    using enum PeriodKind;
    const QDate monday(2002, 4, 29), thursday(2002, 5, 2);
    const Expected expected[] = {
        // Equal kills: fewer deaths first. No kills, no medal.
        {Day, monday, Award::Kills, "A=1 B=2 C=3"},
        // One game each: nobody has the games for kills per death.
        {Day, monday, Award::KillsPerDeath, ""},
        {Day, monday, Award::Flags, "A=1 C=2"},
        // Where no zone time was played there is no such award.
        {Day, monday, Award::Zonetime, ""},
        {Day, monday, Award::Targets, ""},
        // Equal games and equal kills share gold; the next is third.
        {Day, monday, Award::Games, "A=1 B=1 C=3"},
        {Day, thursday, Award::Kills, "E=1 B=2 C=3"},
        {Day, thursday, Award::Zonetime, "E=1 C=2"},
        {Day, thursday, Award::Games, "E=1 C=2 B=3"},
        // The week sums both months.
        {Week, monday, Award::Kills, "C=1 A=2 B=3"},
        {Week, thursday, Award::KillsPerDeath, "E=1 C=2"},
        {Week, monday, Award::Games, "C=1 E=2 A=3"},
        {Month, monday, Award::Kills, "A=1 C=2 B=3"},
        {Month, monday, Award::Games, "A=1 C=2 B=3"},
        {Month, thursday, Award::Kills, "E=1 B=2 C=3"},
    };

    // As a full build gathers them: each player's figures per day, players
    // in an order of their own.
    std::map<QString, std::map<QDate, Figures>> days;
    for (const Row &r : kHistory)
        days[r.player][GameMoment::of(r.game).date].add(r);
    Tally tally;
    for (auto it = days.rbegin(); it != days.rend(); ++it)
        tally.addDays(it->first, it->second);
    const std::vector<PeriodAwards> all = tally.result();
    EXPECT_EQ(all.size(), 3u + 1u + 2u) << "three days, one week, two months";

    for (const Expected &e : expected) {
        const Period period = Period::of(e.kind, e.day);
        SCOPED_TRACE(qPrintable(period.start.toString(Qt::ISODate) + u' ' + QString::fromUtf16(awardName(e.award))));
        const auto found =
            std::find_if(all.begin(), all.end(), [&](const PeriodAwards &a) { return a.period == period; });
        ASSERT_NE(found, all.end());
        EXPECT_EQ(placings(*found, e.award), QString::fromLatin1(e.placings));
    }
    EXPECT_DOUBLE_EQ(all[3].placings[size_t(Award::KillsPerDeath)][0].value, 10.0 / 2);

    // As a new game makes its periods again: from the rows of the period.
    for (const PeriodAwards &awards : all) {
        std::vector<const Row *> rows;
        for (const Row &r : kHistory) {
            const QDate day = GameMoment::of(r.game).date;
            if (day >= awards.period.start && day <= awards.period.last())
                rows.push_back(&r);
        }
        EXPECT_EQ(awardsOf(awards.period, rows), awards) << qPrintable(awards.period.start.toString(Qt::ISODate));
    }

    const auto medals = medalsByPlayer(all);
    EXPECT_FALSE(medals.contains(u"D"_s)) << "fourth in every period";
    EXPECT_EQ(medals.value(u"C"_s).front().period, Period::of(Day, thursday)) << "the newest period first";
}

} // namespace
