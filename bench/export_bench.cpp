// The ranking export over a large database, beside the sqlite3 shell writing
// the same six query results as HTML. Prints the export time, the shell's
// time, their ratio and the process's peak memory.
//
//   export_bench [rows] [players]        (default 1000000 and 20000)

#include "common/CommandHost.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "html/RankingExport.h"
#include "scores/DatabaseFile.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

class QuietHost : public CommandHost
{
public:
    void setConnectionText(const QString &) override {}
    void setActivityText(const QString &) override {}
    void repaintStatus() override {}
    void setProgress(int) override {}
    void showDatabaseFigures(const DatabaseFigures &) override {}
    bool askWarning(const QString &) override { return true; }
    void showMessage(const QString &) override {}
    void processEvents() override {}
};

// One statement, so one transaction: every game row of every game type,
// with the columns of the other types left empty as the import leaves them.
void fillDatabase(const QString &path, qint64 rows, int players)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fill"_s);
        db.setDatabaseName(path);
        if (!db.open())
            throw RankholdError(db.lastError().text());
        QSqlQuery q(db);
        const QString sql =
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1), "
            "g(i, k, d) AS (SELECT i, (i * 37) % 31, (i * 53) % 17 FROM n) "
            "INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
            "Zonetime, Flags, Targets) "
            "SELECT '2026-01-01 ' || (i / %2) || ' Player' || (i % %2), 'Player' || (i % %2), k, d, 'map', "
            "'type', '2026-01-01', i / %2, 'None', k * 1.0 / max(d, 1), "
            "CASE WHEN i % 4 = 0 THEN k * 10 END, CASE WHEN i % 4 = 1 THEN k * 30 END, "
            "CASE WHEN i % 4 = 2 THEN k % 5 END, CASE WHEN i % 4 = 3 THEN k % 7 END FROM g;"_s.arg(rows)
                .arg(players);
        if (!q.exec(sql))
            throw RankholdError(q.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(u"fill"_s);
}

void warmFileCache(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.read(1 << 20).isEmpty()) {
    }
}

double shellSeconds(const QString &db, const QString &outFolder)
{
    const PlayerSql::Ranking rankings[] = {PlayerSql::Ranking::Kills,   PlayerSql::Ranking::Deaths,
                                           PlayerSql::Ranking::Flags,   PlayerSql::Ranking::Zonetime,
                                           PlayerSql::Ranking::Targets, PlayerSql::Ranking::Ratio};
    QElapsedTimer timer;
    timer.start();
    int n = 0;
    for (PlayerSql::Ranking r : rankings) {
        QProcess shell;
        shell.setStandardOutputFile(outFolder + u"/shell%1.html"_s.arg(++n));
        shell.start(u"sqlite3"_s, {u"-html"_s, db, PlayerSql::groupedRankingQuery(r).sql});
        if (!shell.waitForFinished(600000) || shell.exitCode() != 0)
            throw RankholdError(u"sqlite3 failed: "_s + QString::fromLocal8Bit(shell.readAllStandardError()));
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

double exportSeconds(RankingExporter &exporter, const Settings &settings, const QString &folder)
{
    QuietHost host;
    QElapsedTimer timer;
    timer.start();
    exporter.exportStats(settings, ProgramFolder(folder), host);
    return double(timer.nsecsElapsed()) / 1e9;
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1000000;
    const int players = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    try {
        QTemporaryDir dir;
        const QString folder = dir.path();
        const QString dbPath = folder + u"/Rankhold.mdb"_s;
        createDatabase(dbPath);
        QElapsedTimer fill;
        fill.start();
        fillDatabase(dbPath, rows, players);
        std::printf("database: %lld rows, %d players, %.1f MB, filled in %.2f s\n", static_cast<long long>(rows),
                    players, double(QFileInfo(dbPath).size()) / 1e6, double(fill.elapsed()) / 1e3);
        warmFileCache(dbPath);

        PlayerDatabase database;
        database.setFileName(dbPath);
        RankingExporter exporter(database);
        Settings settings;
        settings.rankKills = settings.rankDeaths = settings.rankFlags = true;
        settings.rankZonetime = settings.rankTargets = settings.rankRatio = settings.top10 = true;

        // Alternate the two, best of two each, so neither pays for a cold cache alone.
        const double shell1 = shellSeconds(dbPath, folder);
        const double export1 = exportSeconds(exporter, settings, folder);
        const double shell2 = shellSeconds(dbPath, folder);
        const double export2 = exportSeconds(exporter, settings, folder);
        const double shell = std::min(shell1, shell2);
        const double exported = std::min(export1, export2);

        qint64 pageBytes = 0;
        for (const ProgramFolder::Page page : ProgramFolder::kPages)
            pageBytes += QFileInfo(ProgramFolder(folder).pagePath(page)).size();
        const double peakMB = double(peakKilobytes()) / 1024.0;
        std::printf("export (6 rankings + top 10): %.3f s (runs %.3f, %.3f), pages %.1f MB\n", exported, export1,
                    export2, double(pageBytes) / 1e6);
        std::printf("sqlite3 -html, 6 queries:      %.3f s (runs %.3f, %.3f)\n", shell, shell1, shell2);
        std::printf("ratio export / shell:          %.2f (target <= 1.5)\n", exported / shell);
        std::printf("peak memory (getrusage):       %.1f MB (target < 200)\n", peakMB);
        return 0;
    } catch (const RankholdError &e) {
        std::fprintf(stderr, "export_bench: %s\n", e.what());
        return 1;
    }
}
