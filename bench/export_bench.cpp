// The export of the seven pages as a whole process, `rankhold-cli export`,
// at 1,000,000 rows and at 40,000 rows of the same 20,000 players: the work
// must follow the players, not the games ever played. Beside it the sqlite3
// shell's HTML mode running the six grouping queries on the large file, what
// the export cost before the totals. Prints the times, the ratios and the
// peak memory of each process.
//
//   export_bench [rows] [players] [small rows]   (default 1000000 20000 40000)

#include "FilledDatabase.h"
#include "MeasuredProcess.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "scores/DatabaseFile.h"
#include "scores/PlayerSql.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void warmFileCache(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.read(1 << 20).isEmpty()) {
    }
}

// A program folder whose Rankhold.ini switches on the six rankings and the top 10.
QString makeProgramFolder(const QString &folder, qint64 rows, int players)
{
    QDir().mkpath(folder);
    const QString database = ProgramFolder(folder).databaseFile();
    createDatabase(database);
    QElapsedTimer clock;
    clock.start();
    bench::fillDatabase(database, rows, players);
    std::printf("database: %lld rows, %d players, %.1f MB, filled in %.2f s\n", static_cast<long long>(rows), players,
                double(QFileInfo(database).size()) / 1e6, double(clock.elapsed()) / 1e3);
    QFile ini(ProgramFolder(folder).settingsFile());
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[HTMLCreation]\r\nKills=on\r\nDeaths=on\r\nFlags=on\r\nZonetime=on\r\nTargets=on\r\nRatio=on\r\n"
                  "Top10=on\r\n") < 0)
        throw RankholdError(u"Cannot write %1"_s.arg(ini.fileName()));
    warmFileCache(database);
    return database;
}

bench::Measured exportPages(const QString &folder)
{
    const bench::Measured r =
        bench::runMeasured(QStringLiteral(RANKHOLD_CLI), {u"--program-folder"_s, folder, u"export"_s});
    if (r.exitCode != 0)
        throw RankholdError(u"rankhold-cli export failed in %1"_s.arg(folder));
    return r;
}

// Rounds of the two exports, alternately, so that neither pays for a busy
// moment of the machine alone; the medians.
constexpr int kExportRounds = 7;

qint64 pageBytes(const QString &folder)
{
    qint64 bytes = 0;
    for (const ProgramFolder::Page page : ProgramFolder::kPages)
        bytes += QFileInfo(ProgramFolder(folder).pagePath(page)).size();
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1000000;
    const int players = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    const qint64 smallRows = argc > 3 ? QString::fromLocal8Bit(argv[3]).toLongLong() : 40000;
    try {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_s).toLocal8Bit());
        const QString large = dir.filePath(u"large"_s);
        const QString small = dir.filePath(u"small"_s);
        const QString largeDatabase = makeProgramFolder(large, rows, players);
        makeProgramFolder(small, smallRows, players);

        QStringList grouped;
        for (int r = 0; r <= int(PlayerSql::Ranking::Ratio); ++r)
            grouped.append(PlayerSql::groupedRankingQuery(SqlEngine::SQLite, PlayerSql::Ranking(r)).sql);
        // Alternate the programs, so that none pays for a busy moment alone.
        bench::Measured shell;
        for (int run = 0; run < 2; ++run) {
            const bench::Measured s = bench::runMeasured(u"sqlite3"_s, {u"-html"_s, largeDatabase, grouped.join(u' ')},
                                                         dir.filePath(u"shell.html"_s));
            if (s.exitCode != 0)
                throw RankholdError(u"sqlite3 failed"_s);
            shell = run == 0 ? s : bench::best(shell, s);
        }
        std::vector<bench::Measured> largeRuns, smallRuns;
        for (int round = 0; round < kExportRounds; ++round) {
            largeRuns.push_back(exportPages(large));
            smallRuns.push_back(exportPages(small));
        }
        const bench::Measured atLarge = bench::median(largeRuns);
        const bench::Measured atSmall = bench::median(smallRuns);

        std::printf("pages: %.1f MB at %lld rows, %.1f MB at %lld rows\n", double(pageBytes(large)) / 1e6,
                    static_cast<long long>(rows), double(pageBytes(small)) / 1e6, static_cast<long long>(smallRows));
        bench::printMeasured("sqlite3 -html, the six grouping queries:", shell);
        bench::printMeasured("rankhold-cli export, large database:", atLarge);
        bench::printMeasured("rankhold-cli export, small database:", atSmall);
        std::printf("medians of %d rounds, the two exports alternately\n", kExportRounds);
        bench::printRatio("export large / small:", atLarge, atSmall, 1.2);
        bench::printRatio("export large / shell:", atLarge, shell, 0.25);
        std::printf("peak memory target:       < 100 MB each\n");
        return 0;
    } catch (const RankholdError &e) {
        std::fprintf(stderr, "export_bench: %s\n", e.what());
        return 1;
    }
}
