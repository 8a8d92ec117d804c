// The player portal over a large database: the first build of every page,
// then the build after one more map of 16 players. Prints
// - the first build's time beside the sqlite3 shell writing every row as
//   HTML (the least any site of these rows costs), in three rounds of one
//   each (the median of their ratios), and the peak memory;
// - every time as wall clock and as the processor time of the process (on a
//   machine shared with other work the wall clock says little);
// - the build after one map (the median of five) at 1,000,000 rows beside
//   the same build at 40,000 rows of the same players, with the number of
//   files it wrote: the cost should follow the players of the map, not the
//   history.
//
// - the skill rating replayed over every row (read, gathered into games and
//   rated in the order played) beside reading every row alone, as
//   processor time.
//
//   portal_bench [rows] [players] [small rows]   (default 1000000 20000 40000)

#include "MeasuredProcess.h"
#include "common/RankholdError.h"
#include "platform/System.h"
#include "portal/PortalBuilder.h"
#include "portal/PortalSource.h"
#include "portal/RatingLedger.h"
#include "scores/DatabaseFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <tuple>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPlayersPerGame = 16;

// Runs SQL in the sqlite3 shell, so that filling the database does not
// count in this process's peak memory.
void shell(const QString &db, const QString &sql, const QString &outputFile = {})
{
    QProcess p;
    if (!outputFile.isEmpty())
        p.setStandardOutputFile(outputFile);
    p.start(u"sqlite3"_s, {u"-html"_s, db, sql});
    if (!p.waitForFinished(3600000) || p.exitCode() != 0)
        throw RankholdError(u"sqlite3 failed: "_s + QString::fromLocal8Bit(p.readAllStandardError()));
}

// Games of 16 players, one every 1009 seconds from 2024 on (about 85 a day,
// two years for a million rows), on 37 maps, every game type; names padded
// to 21 characters as the game writes them.
QString fillSql(qint64 rows, int players)
{
    return uR"(
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1),
r AS (SELECT i, i / %3 AS g, i % %3 AS k FROM n),
s AS (SELECT i, g, k, datetime('2024-01-01', '+' || (g * 1009) || ' seconds') AS t,
             substr('Soldier ' || ((k * (%2 / %3) + g * 7) % %2) || '                     ', 1, 21) AS p,
             (g * 7 + k * 3) % 31 AS kills, (g + k * 5) % 9 AS deaths, g % 10 AS type FROM r),
d AS (SELECT *, strftime('%m/%d/', t) || substr(strftime('%Y', t), 3, 2) AS dt, strftime('%H:%M:%S', t) AS tm FROM s)
INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, Zonetime, Flags, Targets)
SELECT dt || ' ' || tm || ' ' || p, p, kills, deaths, 'Map ' || (g % 37),
       CASE type WHEN 0 THEN 'Deathmatch' WHEN 1 THEN 'King of the Hill' WHEN 2 THEN 'Team Deathmatch'
                 WHEN 3 THEN 'Team King of the Hill' WHEN 4 THEN 'Capture the Flag' WHEN 5 THEN 'PennantRush'
                 WHEN 6 THEN 'Search and Destroy' WHEN 7 THEN 'Attack and Defend' ELSE 'Cooperative' END,
       dt, tm, CASE WHEN type IN (0, 1, 8, 9) THEN 'None' ELSE 'Blue' END, kills * 1.0 / max(deaths, 1),
       CASE WHEN type IN (0, 2) THEN kills * 10 END, CASE WHEN type IN (1, 3) THEN kills * 30 END,
       CASE WHEN type IN (4, 5) THEN kills % 5 END, CASE WHEN type IN (6, 7) THEN kills % 7 END FROM d;
)"_s.arg(rows)
        .arg(players)
        .arg(kPlayersPerGame);
}

// One more map after the newest game: 16 players of the history.
QString oneMoreMapSql()
{
    return uR"(
WITH t AS (SELECT datetime((SELECT max(julianday(('20' || substr(Date, 7, 2)) || '-' || substr(Date, 1, 2) || '-' ||
                                            substr(Date, 4, 2) || ' ' || Time)) FROM player), '+20 minutes') AS t),
d AS (SELECT strftime('%m/%d/', t) || substr(strftime('%Y', t), 3, 2) AS dt, strftime('%H:%M:%S', t) AS tm FROM t),
p AS (SELECT DISTINCT Player AS p FROM player ORDER BY Player LIMIT 16)
INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score)
SELECT dt || ' ' || tm || ' ' || p, p, 12, 3, 'Map 5', 'Deathmatch', dt, tm, 'None', 4.0, 120 FROM d, p;
)"_s;
}

struct Timed {
    double seconds = 0;
    double cpuSeconds = 0; // of this process: what the build cost, whatever else the machine runs
    portal::BuildResult result;
};

// Processor time so far of this process (RUSAGE_SELF) or of its ended children.
double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Timed build(const QString &dbPath, const QString &folder)
{
    const QString name = u"bench"_s;
    Timed timed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(dbPath);
        if (!db.open())
            throw RankholdError(db.lastError().text());
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = cpuSeconds();
        timed.result =
            portal::buildPortal(db, {folder + u"/portal"_s, folder + u"/portal.state"_s}, QDateTime::currentDateTime());
        timed.seconds = double(timer.nsecsElapsed()) / 1e9;
        timed.cpuSeconds = cpuSeconds() - cpuBefore;
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return timed;
}

// The rating replayed from every row, and reading every row alone.
struct Replay {
    double readCpu = 0, replayCpu = 0, rateCpu = 0;
    qint64 games = 0;
};

Replay replayRating(const QString &dbPath)
{
    const QString name = u"replay"_s;
    Replay replay;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(dbPath);
        if (!db.open())
            throw RankholdError(db.lastError().text());
        // As a full build does it: every row read into the store, then
        // the games rated one at a time in the order played.
        portal::PortalSource source(db);
        const double before = cpuSeconds();
        const portal::RowStore store = source.allRows(0);
        const double rateStart = cpuSeconds();
        replay.readCpu = rateStart - before;
        portal::RatingLedger ledger;
        ledger.reserve(store.gameCount(), store.size());
        for (const quint32 g : store.playedOrder())
            ledger.addNext(ledger.inputOf(store.game(g, source.names())));
        replay.rateCpu = cpuSeconds() - rateStart;
        replay.replayCpu = cpuSeconds() - before;
        replay.games = ledger.gameCount();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return replay;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

qint64 folderBytes(const QString &path)
{
    qint64 bytes = 0;
    for (const QString &sub : {u""_s, u"/player"_s, u"/game"_s, u"/map"_s}) {
        for (const QFileInfo &f : QDir(path + sub).entryInfoList(QDir::Files))
            bytes += f.size();
    }
    return bytes;
}

// A database of `rows` rows, its first build, the builds after one more
// map (several, one map each: the median is `again`), and the build after
// one name is merged into another.
struct Run {
    static constexpr int kMaps = 5;
    Timed first, again, merged;
    double againLeast = 0, againMost = 0; // wall seconds
    long firstPeak = 0;                   // MB, the peak of the process once its first build is done
    // With `rounds`: the first build made that many times, each beside the
    // shell writing every row as HTML, one after the other, so that both
    // of a round see the machine alike; `first` is the last of them.
    struct Round {
        Timed build;
        double shellSeconds = 0, shellCpu = 0;
    };
    std::vector<Round> rounds;
};

// Seconds and processor time of the sqlite3 shell writing every row as HTML.
std::pair<double, double> shellHtml(const QString &db, const QString &outputFile)
{
    QElapsedTimer timer;
    timer.start();
    const double childCpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    shell(db, u"SELECT * FROM player ORDER BY Player;"_s, outputFile);
    return {double(timer.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_CHILDREN) - childCpuBefore};
}

Run runAt(const QString &folder, qint64 rows, int players, bool report, int rounds = 0)
{
    QDir().mkpath(folder);
    const QString db = folder + u"/Rankhold.mdb"_s;
    createDatabase(db);
    QElapsedTimer fill;
    fill.start();
    shell(db, fillSql(rows, players));
    if (report) {
        std::printf("database: %lld rows, %d players, %.0f MB, filled in %.1f s\n", static_cast<long long>(rows),
                    players, double(QFileInfo(db).size()) / 1e6, double(fill.elapsed()) / 1e3);
    }
    Run run;
    // With rounds, each round's shell and build run one after the other.
    // The folders of the rounds before the last are kept, not removed: a
    // folder of 82,000 files just removed slows down the making of the next
    // on some file systems. The last round's is the one the builds after it
    // work in.
    for (int i = 0; i < std::max(rounds, 1); ++i) {
        const QString place = i + 1 >= rounds ? folder : folder + u"/trial"_s + QString::number(i);
        QDir().mkpath(place);
        Run::Round round;
        if (rounds > 0)
            std::tie(round.shellSeconds, round.shellCpu) = shellHtml(db, place + u"/shell.html"_s);
        round.build = build(db, place);
        if (i == 0)
            run.firstPeak = peakMegabytes(); // of one build, as a process that makes one has
        if (rounds > 0)
            run.rounds.push_back(round);
        run.first = round.build;
    }
    std::vector<Timed> maps;
    for (int i = 0; i < Run::kMaps; ++i) {
        shell(db, oneMoreMapSql());
        maps.push_back(build(db, folder));
    }
    std::sort(maps.begin(), maps.end(), [](const Timed &a, const Timed &b) { return a.seconds < b.seconds; });
    run.again = maps[maps.size() / 2];
    run.againLeast = maps.front().seconds;
    run.againMost = maps.back().seconds;
    shell(db, u"INSERT INTO player_names SELECT (SELECT Player FROM player_totals ORDER BY Player LIMIT 1 OFFSET 1), "
              "(SELECT Player FROM player_totals ORDER BY Player LIMIT 1), 0;"_s);
    run.merged = build(db, folder);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    // As the programs do.
    platform::returnLargeBlocksWhenFreed();
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    const qint64 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1000000;
    const int players = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    const qint64 smallRows = argc > 3 ? QString::fromLocal8Bit(argv[3]).toLongLong() : 40000;
    try {
        QTemporaryDir dir;
        constexpr int kRounds = 3;
        const Run large = runAt(dir.filePath(u"large"_s), rows, players, true, kRounds);
        const long peak = peakMegabytes();

        std::vector<double> builds, shells, ratios, cpuRatios;
        QString each;
        for (const Run::Round &r : large.rounds) {
            builds.push_back(r.build.seconds);
            shells.push_back(r.shellSeconds);
            ratios.push_back(r.build.seconds / r.shellSeconds);
            cpuRatios.push_back(r.build.cpuSeconds / r.shellCpu);
            each += (each.isEmpty() ? u""_s : u", "_s) + QString::number(ratios.back(), 'f', 2);
        }
        std::printf("first build: median %.2f s of %d (last: cpu %.2f s), %d files, %.0f MB (full: %s)\n",
                    bench::median(builds), kRounds, large.first.cpuSeconds, large.first.result.written,
                    double(folderBytes(dir.filePath(u"large/portal"_s))) / 1e6, large.first.result.full ? "yes" : "no");
        std::printf("sqlite3 -html of every row: median %.2f s of %d\n", bench::median(shells), kRounds);
        std::printf("ratio first build / shell:  %.2f, the median of %d rounds of one each (%s; cpu %.2f)\n",
                    bench::median(ratios), kRounds, qPrintable(each), bench::median(cpuRatios));
        std::printf(
            "peak memory (getrusage):    %ld MB by the end of the first build, %ld MB with the builds after it\n",
            large.firstPeak, peak);

        const Replay replay = replayRating(dir.filePath(u"large/Rankhold.mdb"_s));
        std::printf("rating, full replay of %lld rows, %lld games: cpu %.2f s (%.2f s of it rating in memory; "
                    "goal at most 2 s)\n",
                    static_cast<long long>(rows), static_cast<long long>(replay.games), replay.replayCpu,
                    replay.rateCpu);
        std::printf("reading every row alone: cpu %.2f s; ratio replay / read: %.2f\n", replay.readCpu,
                    replay.replayCpu / replay.readCpu);

        const Run small = runAt(dir.filePath(u"small"_s), smallRows, players, false);
        const auto again = [](qint64 n, const Run &run) {
            std::printf("after one map, %8lld rows: %.3f s (cpu %.3f s), %d files written (full: %s); "
                        "median of %d maps, %.3f to %.3f s\n",
                        static_cast<long long>(n), run.again.seconds, run.again.cpuSeconds, run.again.result.written,
                        run.again.result.full ? "yes" : "no", Run::kMaps, run.againLeast, run.againMost);
        };
        again(rows, large);
        again(smallRows, small);
        std::printf("ratio %lld rows / %lld rows: %.2f (cpu %.2f; target: about 1; goal under 1 s)\n",
                    static_cast<long long>(rows), static_cast<long long>(smallRows),
                    large.again.seconds / small.again.seconds, large.again.cpuSeconds / small.again.cpuSeconds);
        std::printf("after a merge, %8lld rows: %.3f s (cpu %.3f s), %d files written, %d removed (full: %s)\n",
                    static_cast<long long>(rows), large.merged.seconds, large.merged.cpuSeconds,
                    large.merged.result.written, large.merged.result.removed, large.merged.result.full ? "yes" : "no");
        std::printf("ratio merge / first build:  %.3f (cpu %.3f)\n", large.merged.seconds / large.first.seconds,
                    large.merged.cpuSeconds / large.first.cpuSeconds);
        return 0;
    } catch (const RankholdError &e) {
        std::fprintf(stderr, "portal_bench: %s\n", e.what());
        return 1;
    }
}
