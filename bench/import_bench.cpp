// The import of a score file of 10,000 blocks of 16 players (every game
// type) as a whole process, `rankhold-cli import`, against a short Python
// script that reads the same file the same way and stores the same rows with
// executemany in one transaction (bench/import_baseline.py), both into an
// empty database of the program's schema. Then the same file imported again
// (every row stored already) against the first import. Prints the times, the
// ratios and the peak memory of each process.
#include "MeasuredProcess.h"

#include "common/RankholdError.h"
#include "scores/DatabaseFile.h"
#include "scores/GeneratedScores.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBlocks = 10000;
constexpr int kPlayers = 16;

QString python()
{
    // Debian's own interpreter when it is there, whatever PATH puts first.
    return QFile::exists(u"/usr/bin/python3"_s) ? u"/usr/bin/python3"_s : u"python3"_s;
}

qint64 rowCount(const QString &path)
{
    qint64 rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"count"_s);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(u"SELECT COUNT(*) FROM player"_s) && q.next())
                rows = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(u"count"_s);
    return rows;
}

void copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        throw RankholdError(u"Cannot copy %1 to %2"_s.arg(from, to));
}

void expectExit(const bench::Measured &m, const char *what)
{
    if (m.exitCode != 0)
        throw RankholdError(u"%1 failed (exit %2)"_s.arg(QString::fromLatin1(what)).arg(m.exitCode));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // rankhold-cli reads its registry store from here, not the developer's.
    qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_s).toLocal8Bit());
    const QString master = dir.filePath(u"scores.master"_s);
    try {
        const QByteArray file = generated::file(kBlocks, kPlayers);
        {
            QFile out(master);
            if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
                throw RankholdError(u"Cannot create the score file"_s);
        }

        // The machine is shared: each figure is the median of a few rounds,
        // each round on fresh databases, the programs taking turns.
        constexpr int kRounds = 5;
        std::vector<bench::Measured> baselines, firsts, agains;
        qint64 baselineRows = 0, firstRows = 0, againRows = 0;
        for (int round = 0; round < kRounds; ++round) {
            const QString base = dir.filePath(u"baseline%1"_s.arg(round));
            const QString program = dir.filePath(u"program%1"_s.arg(round));
            const QString game = dir.filePath(u"game%1"_s.arg(round));
            for (const QString &folder : {base, program, game})
                QDir().mkpath(folder);
            createDatabase(base + u"/Rankhold.mdb"_s);
            createDatabase(program + u"/Rankhold.mdb"_s);

            const bench::Measured b =
                bench::runMeasured(python(), {QStringLiteral(RANKHOLD_BENCH_DIR "/import_baseline.py"),
                                              base + u"/Rankhold.mdb"_s, master});
            expectExit(b, "the Python baseline");
            baselineRows = rowCount(base + u"/Rankhold.mdb"_s);

            const QStringList import{u"--program-folder"_s, program, u"--game-folder"_s, game, u"import"_s};
            copyFile(master, game + u"/scores.txt"_s);
            const bench::Measured f = bench::runMeasured(QStringLiteral(RANKHOLD_CLI), import);
            expectExit(f, "rankhold-cli import");
            firstRows = rowCount(program + u"/Rankhold.mdb"_s);

            copyFile(master, game + u"/scores.txt"_s);
            const bench::Measured a = bench::runMeasured(QStringLiteral(RANKHOLD_CLI), import);
            expectExit(a, "rankhold-cli import (again)");
            againRows = rowCount(program + u"/Rankhold.mdb"_s);

            baselines.push_back(b);
            firsts.push_back(f);
            agains.push_back(a);
        }
        const bench::Measured baseline = bench::median(baselines);
        const bench::Measured first = bench::median(firsts);
        const bench::Measured again = bench::median(agains);

        std::printf("score file: %d blocks of %d players, %d rows, %.1f MB; medians of %d rounds\n", kBlocks, kPlayers,
                    kBlocks * kPlayers, double(file.size()) / (1024.0 * 1024.0), kRounds);
        std::printf("rows stored: baseline %lld, import %lld, after the import again %lld\n",
                    static_cast<long long>(baselineRows), static_cast<long long>(firstRows),
                    static_cast<long long>(againRows));
        bench::printMeasured("baseline (python3 sqlite3, executemany):", baseline);
        bench::printMeasured("rankhold-cli import:", first);
        bench::printMeasured("rankhold-cli import of the same file again:", again);
        bench::printRatio("import / baseline:", first, baseline, 0.5);
        bench::printRatio("import again / import:", again, first, 0.5);
        std::printf("peak memory target:       < 100 MB each\n");
    } catch (const RankholdError &e) {
        std::fprintf(stderr, "import_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
