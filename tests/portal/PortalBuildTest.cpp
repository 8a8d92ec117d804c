// The portal built from a real database: which pages a new game touches,
// incremental builds against fresh ones, and the record of the last build.
#include "PortalFixture.h"

#include "common/RankholdError.h"
#include "portal/PortalNames.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>

using namespace Qt::StringLiterals;
namespace names = portal::names;

namespace {

class PortalBuildTest : public PortalFixture
{
protected:
    void addHistory()
    {
        addGame("Canyon", "03/01/02", "20:00:00", "Capture the Flag",
                {{"Raptor", 10, 2}, {"Dark Star", 4, 5}, {"Ab", 7, 7}, {"aB", 1, 0}});
        addGame("Canyon", "03/02/02", "21:00:00", "Deathmatch", {{"Raptor", 3, 3, "30"}, {"Nomad", 9, 1, "90"}});
        addGame("Ice Flats", "03/10/02", "19:30:00", "King of the Hill",
                {{"Dark Star", 12, 4, "4:19"}, {"Nomad", 2, 2, "0:10"}, {"Ab", 5, 1, "1:00"}});
        addGame("Oasis", "03/15/02", "18:00:00", "", {{"Raptor", 6, 0}, {"Ghost", 1, 9}});
    }
};

TEST_F(PortalBuildTest, OneMoreMapRewritesItsPlayersItsGameItsMapAndTheBoardsOnly)
{
    addHistory();
    QList<int> progress;
    ASSERT_TRUE(build(u"portal"_s, {}, [&](int percent) { progress.append(percent); }).full);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()) && progress.size() > 4 && progress.last() == 100)
        << "a build of every page tells how far it has come";
    const auto before = files(site());

    addGame("Canyon", "03/16/02", "20:00:00", "Search and Destroy",
            {{"Raptor", 5, 1, "2"}, {"Ab", 2, 2, "0"}, {"Newcomer", 1, 3, "1"}});
    const portal::BuildResult again = build();

    EXPECT_FALSE(again.full);
    QStringList expected = {
        names::playerPage(u"Raptor               "_s), names::playerPage(u"Ab                   "_s),
        names::playerPage(u"Newcomer             "_s), names::gamePage({u"03/16/02"_s, u"20:00:00"_s, u"Canyon"_s}),
        names::mapPage(u"Canyon"_s), names::kIndexPage, names::kWeekPage, names::kMonthPage, names::kRatingPage,
        names::kPlayersJson, names::kAwardsPage,
        // Moved down in the games of the week or the month.
        names::playerPage(u"Ghost                "_s), names::playerPage(u"Dark Star            "_s)};
    expected.sort();
    EXPECT_EQ(changed(before, files(site())), expected);
    EXPECT_EQ(again.written, expected.size());

    // What a build from nothing makes of the same rows.
    EXPECT_TRUE(build(u"fresh"_s).full);
    EXPECT_EQ(files(site()), files(site(u"fresh"_s)));
}

TEST_F(PortalBuildTest, NothingNewWritesNothingAndTheIndexKeepsTheTimeItWasMade)
{
    addHistory();
    build();
    const auto before = files(site());

    const portal::BuildResult again = build(u"portal"_s, made.addDays(1));
    EXPECT_FALSE(again.full);
    EXPECT_EQ(again.written, 0);
    EXPECT_EQ(files(site()), before);

    addGame("Oasis", "03/17/02", "18:00:00", "Deathmatch", {{"Ghost", 3, 1, "30"}});
    build(u"portal"_s, made.addDays(2));
    EXPECT_TRUE(files(site()).value(names::kIndexPage).contains("datetime=\"2002-03-22T12:00:00\""));
}

TEST_F(PortalBuildTest, WhatTheRecordCannotExplainMakesEveryPageAgain)
{
    addHistory();
    build();
    const QString record = site() + u".state"_s;
    const auto whole = files(site());
    const std::pair<const char *, std::function<void()>> cases[] = {
        {"damaged record",
         [&] {
             QByteArray bytes = readFile(record);
             bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x20);
             writeFile(record, bytes);
         }},
        {"no record", [&] { QFile::remove(record); }},
        {"index removed by hand", [&] { QFile::remove(site() + u'/' + names::kIndexPage); }},
        {"game page removed by hand",
         [&] {
             QFile::remove(site() + u'/' + names::gamePage({u"03/01/02"_s, u"20:00:00"_s, u"Canyon"_s}));
             addGame("Canyon", "03/18/02", "20:00:00", "Deathmatch", {{"Raptor", 1, 1, "10"}});
         }},
        {"a row deleted from outside",
         [&] { QSqlQuery(db.connection()).exec(u"DELETE FROM player WHERE Player LIKE 'Ghost%'"_s); }},
        {"a row changed in place",
         [&] { QSqlQuery(db.connection()).exec(u"UPDATE player SET Kills = 0 WHERE Player LIKE 'Nomad%'"_s); }},
        {"a game gains a row",
         [&] {
             addGame("Oasis", "03/15/02", "18:00:00", "", {{"Latecomer", 1, 1}});
         }},
    };
    for (const auto &[what, damage] : cases) {
        SCOPED_TRACE(what);
        damage();
        const portal::BuildResult again = build();
        EXPECT_TRUE(again.full);
        QDir(site(u"fresh"_s)).removeRecursively();
        build(u"fresh"_s);
        EXPECT_EQ(files(site()), files(site(u"fresh"_s)));
        // And the build after it is incremental again.
        EXPECT_FALSE(build().full);
    }
    EXPECT_FALSE(files(site()).contains(names::playerPage(u"Ghost                "_s)));
}

// Random games in random order (late imports, new players and maps, negative
// kills), with a fresh build after each as the reference.
TEST_F(PortalBuildTest, IncrementalBuildsMakeWhatAFreshBuildMakes)
{
    QRandomGenerator random(15);
    // More players than a map page lists, so its list of best players fills.
    QList<QByteArray> players = {"Raptor",   "Dark Star", "Ab", "aB", "<b>Tom & Jerry</b>",
                                 "J\xe4ger", "Nomad",     "x",  "",   "ABCDEFGHIJKLMNOPQRSTU",
                                 "con",      "../../x"};
    for (int n = 1; n <= 18; ++n)
        players.append("Soldier " + QByteArray::number(n));
    const QList<QByteArray> maps = {"Canyon", "Ice Flats", "a/b"};
    const QList<QByteArray> types = {"Deathmatch", "King of the Hill", "Capture the Flag", "Search and Destroy", ""};
    int fullBuilds = 0;
    for (int step = 0; step < 40; ++step) {
        const QDate day = QDate(2001, 12, 1).addDays(random.bounded(90));
        const QByteArray date = day.toString(u"MM/dd/yy"_s).toLatin1();
        const QByteArray time = QTime(random.bounded(24), random.bounded(60), random.bounded(60)).toString().toLatin1();
        const QByteArray type = types[random.bounded(types.size())];
        QList<Line> lines;
        QList<QByteArray> pool = players;
        for (int n = 1 + random.bounded(12); n > 0; --n) {
            const QByteArray name = pool.takeAt(random.bounded(pool.size()));
            const QByteArray value = type == "King of the Hill" ? QByteArray("1:05") : QByteArray("2");
            lines.append({name, random.bounded(-8, 20), random.bounded(0, 6), value});
        }
        addGame(maps[random.bounded(maps.size())], date, time, type, lines);

        SCOPED_TRACE(step);
        fullBuilds += build().full ? 1 : 0;
        QDir(site(u"fresh"_s)).removeRecursively();
        QFile::remove(site(u"fresh"_s) + u".state"_s);
        build(u"fresh"_s);
        ASSERT_EQ(files(site()), files(site(u"fresh"_s)));
    }
    // The first build, and those after one of a map's best players lost kills.
    EXPECT_LT(fullBuilds, 20);
}

TEST_F(PortalBuildTest, ThreadsMakeThePagesOfOneThreadAndReportTheFirstPageThatFails)
{
    // More pages than the threads' queue holds.
    for (int g = 0; g < 60; ++g) {
        QList<Line> lines;
        for (int p = 0; p < 6; ++p)
            lines.append({"Soldier " + QByteArray::number((g * 7 + p * 5) % 40), (g + p) % 9, p % 4});
        addGame(g % 2 ? "Canyon" : "Oasis", "03/" + QByteArray::number(10 + g % 18) + "/02",
                "20:" + QByteArray::number(10 + g % 50) + ":00", "Deathmatch", lines);
    }
    const auto builtBy = [&](int writers, const QString &name, const QStringList &blocked) {
        options.writers = writers;
        // A folder where a page should be: that page cannot be written.
        for (const QString &page : blocked)
            QDir().mkpath(site(name) + u'/' + page);
        try {
            build(name);
        } catch (const RankholdError &e) {
            return e.message();
        }
        return QString();
    };
    ASSERT_EQ(builtBy(1, u"one"_s, {}), QString());
    ASSERT_EQ(builtBy(4, u"four"_s, {}), QString());
    EXPECT_GT(files(site(u"one"_s)).size(), 90);
    EXPECT_EQ(files(site(u"four"_s)), files(site(u"one"_s)));

    // The game pads the names: the pages of three players, whoever's
    // page is made first among them failing first.
    QStringList blocked;
    for (const QString &page : files(site(u"one"_s)).keys()) {
        for (const char *stem : {"player/s-oldier_7.", "player/s-oldier_12.", "player/s-oldier_30."})
            if (page.startsWith(QLatin1String(stem)))
                blocked.append(page);
    }
    ASSERT_EQ(blocked.size(), 3);
    const QString failure = builtBy(1, u"blocked1"_s, blocked);
    EXPECT_TRUE(failure.startsWith(u"Cannot create file "_s)) << failure.toStdString();
    EXPECT_TRUE(failure.contains(u"s-oldier_12."_s)) << failure.toStdString();
    EXPECT_EQ(builtBy(4, u"blocked4"_s, blocked).section(u'/', -1), failure.section(u'/', -1));
}

// An import that wants to commit while a build reads holds the lock that
// keeps new readers out: the build reads every row on its own connection.
TEST_F(PortalBuildTest, AWriterWaitingToCommitLeavesTheBuildEveryRowItsSnapshotHas)
{
    for (int g = 0; g < 30; ++g)
        addGame("Oasis", "04/" + QByteArray::number(10 + g % 18) + "/02", "20:" + QByteArray::number(10 + g) + ":00",
                "Deathmatch", {{"Soldier " + QByteArray::number(g % 7), g % 9, 1}, {"Nomad", 2, g % 4}});
    options.writers = 1;
    build(u"one"_s);

    const QString writer = u"writer"_s;
    {
        QSqlDatabase w = QSqlDatabase::addDatabase(u"QSQLITE"_s, writer);
        w.setDatabaseName(dir.filePath(u"Rankhold.mdb"_s));
        w.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=0"_s);
        ASSERT_TRUE(w.open() && w.transaction());
        ASSERT_TRUE(QSqlQuery(w).exec(u"DELETE FROM player WHERE Player LIKE 'Nomad%'"_s));
        bool triedToCommit = false;
        options.writers = 4;
        build(u"four"_s, {}, [&](int) {
            if (!triedToCommit) { // the build holds its snapshot now
                EXPECT_FALSE(w.commit());
            }
            triedToCommit = true;
        });
        EXPECT_TRUE(triedToCommit);
        EXPECT_EQ(files(site(u"four"_s)), files(site(u"one"_s)));
        EXPECT_TRUE(w.commit()) << "the writer goes on once the build is done";
    }
    QSqlDatabase::removeDatabase(writer);
}

TEST_F(PortalBuildTest, PeriodsEndAtTheNewestGameAndTwoDigitYearsSortAsDates)
{
    addGame("Canyon", "11/20/99", "20:00:00", "Deathmatch", {{"Old Timer", 5, 1, "50"}});
    addGame("Canyon", "12/29/99", "20:00:00", "Deathmatch", {{"Month Only", 5, 1, "50"}});
    addGame("Canyon", "12/30/99", "20:00:00", "Deathmatch", {{"Week", 5, 1, "50"}});
    addGame("Canyon", "01/05/00", "08:00:00", "Deathmatch", {{"Newest", 5, 1, "50"}});
    build();
    const QString week = QString::fromUtf8(files(site()).value(names::kWeekPage));
    const QString month = QString::fromUtf8(files(site()).value(names::kMonthPage));
    EXPECT_TRUE(week.contains(u"2 games from 1999-12-30 to 2000-01-05"_s)) << qPrintable(week);
    EXPECT_TRUE(month.contains(u"3 games from 1999-12-07 to 2000-01-05"_s)) << qPrintable(month);
    for (const auto &[name, inWeek, inMonth] : {std::tuple{u">Newest<"_s, true, true},
                                                {u">Week<"_s, true, true},
                                                {u">Month Only<"_s, false, true},
                                                {u">Old Timer<"_s, false, false}}) {
        EXPECT_EQ(week.contains(name), inWeek) << qPrintable(name);
        EXPECT_EQ(month.contains(name), inMonth) << qPrintable(name);
    }
}

// A server whose clock was wrong: a game dated 12/31/69 (2069) and one
// dated two days after the build.
TEST_F(PortalBuildTest, GamesDatedAfterTheDayOfTheBuildCountForNoPeriodUntilThatDayComes)
{
    addHistory();
    addGame("Canyon", "12/31/69", "19:00:00", "Deathmatch", {{"Wrong Clock", 50, 0, "500"}});
    addGame("Oasis", "03/22/02", "19:00:00", "Deathmatch", {{"Early Bird", 40, 0, "400"}});
    build();
    auto pages = files(site());
    const QString week = QString::fromUtf8(pages.value(names::kWeekPage));
    EXPECT_TRUE(week.contains(u"2 games from 2002-03-09 to 2002-03-15"_s)) << qPrintable(week);
    for (const QString &page : {names::kWeekPage, names::kMonthPage, names::kAwardsPage}) {
        EXPECT_FALSE(pages.value(page).contains(">Wrong Clock<")) << qPrintable(page);
        EXPECT_FALSE(pages.value(page).contains(">Early Bird<")) << qPrintable(page);
    }
    const QByteArray why = "dated after the day the portal was made";
    EXPECT_TRUE(pages.value(names::gamePage({u"12/31/69"_s, u"19:00:00"_s, u"Canyon"_s})).contains(why));
    EXPECT_FALSE(pages.value(names::gamePage({u"03/15/02"_s, u"18:00:00"_s, u"Oasis"_s})).contains(why));

    // Two days on, the early game counts, as in a build from nothing on that day.
    EXPECT_TRUE(build(u"portal"_s, made.addDays(2)).full);
    build(u"fresh"_s, made.addDays(2));
    pages = files(site());
    EXPECT_EQ(pages, files(site(u"fresh"_s)));
    EXPECT_TRUE(pages.value(names::kAwardsPage).contains(">Early Bird<"));
    EXPECT_FALSE(pages.value(names::kAwardsPage).contains(">Wrong Clock<"));
    EXPECT_FALSE(build(u"portal"_s, made.addDays(2)).full);
}

} // namespace
