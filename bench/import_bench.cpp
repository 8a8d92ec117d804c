// Score import against raw SQLite: 10,000 blocks of 16 players, every game
// type. Prints the import time, the time of a baseline that inserts the same
// rows with sqlite3 prepared statements in one transaction, their ratio, the
// time of importing the same file again (all duplicates) and the peak memory.
#include "commands/GameFolderRecord.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "scores/DatabaseFile.h"
#include "scores/DatabaseInfo.h"
#include "scores/GeneratedScores.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"
#include "scores/ScoreArchive.h"
#include "scores/ScoreImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBlocks = 10000;
constexpr int kPlayers = 16;

class NullHost : public CommandHost
{
public:
    void setConnectionText(const QString &) override {}
    void setActivityText(const QString &) override {}
    void repaintStatus() override {}
    void setProgress(int) override {}
    void showDatabaseFigures(const DatabaseFigures &f) override { records = f.records; }
    bool askWarning(const QString &) override { return true; }
    void showMessage(const QString &) override {}
    void processEvents() override {}
    QString records;
};

void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The same rows, values handed over as the import hands them: text, the
// ratio as a double, the game-type column as text or NULL.
double baseline(const QString &path)
{
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    QElapsedTimer clock;
    clock.start();
    sqlite3_stmt *insert = nullptr;
    const QByteArray sql = PlayerSql::insertRow().toUtf8();
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr), db, "prepare");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    for (int b = 0; b < kBlocks; ++b) {
        const generated::Block k = generated::block(b);
        const QByteArray gametype = k.gametype.isEmpty() ? QByteArray("Cooperative") : k.gametype;
        for (int p = 0; p < kPlayers; ++p) {
            const generated::Player r = generated::player(b, p);
            const QByteArray name = r.name.leftJustified(21, ' ', true);
            const QByteArray id = k.date + ' ' + k.time + ' ' + name;
            const QByteArray kills = QByteArray::number(r.kills), deaths = QByteArray::number(r.deaths);
            const QByteArray value = k.column == 2 ? QByteArray::number(r.seconds) : r.value;
            const auto text = [&](int i, const QByteArray &t) {
                sqlite3_bind_text(insert, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            };
            text(1, id);
            text(2, name);
            text(3, kills);
            text(4, deaths);
            text(5, k.map);
            text(6, gametype);
            text(7, k.date);
            text(8, k.time);
            text(9, k.winner);
            sqlite3_bind_double(insert, 10, double(r.kills) / double(r.deaths == 0 ? 1 : r.deaths));
            for (int c = 1; c <= 4; ++c) {
                if (k.column == c)
                    text(10 + c, value);
                else
                    sqlite3_bind_null(insert, 10 + c);
            }
            check(sqlite3_step(insert), db, "insert");
            sqlite3_reset(insert);
        }
    }
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_finalize(insert);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    sqlite3_close(db);
    return seconds;
}

double timedImport(PlayerDatabase &database, const QString &game, const QString &program, NullHost &host)
{
    QElapsedTimer clock;
    clock.start();
    const QString scoreFile = GameFolderRecord::scoreFile(game);
    archiveScoreFile(scoreFile, importScoreFile(database, scoreFile, host), ProgramFolder(program));
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString game = dir.filePath(u"game"_s);
    QDir().mkpath(game);
    const QString scoreFile = game + u"/scores.txt"_s;
    try {
        qint64 fileSize = 0;
        {
            const QByteArray file = generated::file(kBlocks, kPlayers);
            fileSize = file.size();
            QFile out(dir.filePath(u"scores.master"_s));
            if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
                throw RankholdError(u"Cannot create the score file"_s);
        }

        // The machine is shared: each figure is the best of a few rounds,
        // each round on fresh databases.
        constexpr int kRounds = 3;
        double baseSeconds = 1e9, importSeconds = 1e9, againSeconds = 1e9, refreshSeconds = 1e9;
        QString firstCount, againCount;
        for (int round = 0; round < kRounds; ++round) {
            const QString base = dir.filePath(u"baseline%1"_s.arg(round));
            const QString program = dir.filePath(u"program%1"_s.arg(round));
            QDir().mkpath(base);
            QDir().mkpath(program);
            createDatabase(base + u"/Rankhold.mdb"_s);
            createDatabase(program + u"/Rankhold.mdb"_s);
            baseSeconds = std::min(baseSeconds, baseline(base + u"/Rankhold.mdb"_s));

            PlayerDatabase database;
            database.setFileName(program + u"/Rankhold.mdb"_s);
            NullHost host;
            if (!QFile::copy(dir.filePath(u"scores.master"_s), scoreFile))
                throw RankholdError(u"Cannot put the score file in place"_s);
            importSeconds = std::min(importSeconds, timedImport(database, game, program, host));
            firstCount = host.records;
            if (!QFile::copy(dir.filePath(u"scores.master"_s), scoreFile))
                throw RankholdError(u"Cannot put the score file back"_s);
            againSeconds = std::min(againSeconds, timedImport(database, game, program, host));
            againCount = host.records;

            // What every import ends with, whatever the file held: the flags
            // query and the figures read the whole table again.
            QElapsedTimer clock;
            clock.start();
            database.dataSet(2).close();
            database.dataSet(2).open();
            UpdateDBInfo(database, {}, host);
            refreshSeconds = std::min(refreshSeconds, double(clock.nsecsElapsed()) / 1e9);
        }

        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const double peakMb = double(usage.ru_maxrss) / 1024.0;
        const double fileMb = double(fileSize) / (1024.0 * 1024.0);
        const double ratio = importSeconds / baseSeconds;
        const double limitMb = 3 * fileMb + 50;

        std::printf("rows: %d (%s stored, %s after re-import); best of %d rounds\n", kBlocks * kPlayers,
                    qPrintable(firstCount), qPrintable(againCount), kRounds);
        std::printf("score file: %.1f MB\n", fileMb);
        std::printf("baseline (sqlite3, one transaction): %.3f s\n", baseSeconds);
        std::printf("import: %.3f s\n", importSeconds);
        std::printf("  of which the closing refresh of the queries and figures: %.3f s\n", refreshSeconds);
        std::printf("import / baseline: %.2f (target <= 1.5) %s\n", ratio, ratio <= 1.5 ? "ok" : "MISSED");
        std::printf("re-import (all duplicates): %.3f s (target <= import) %s\n", againSeconds,
                    againSeconds <= importSeconds ? "ok" : "MISSED");
        std::printf("peak memory: %.1f MB (target < %.1f MB) %s\n", peakMb, limitMb,
                    peakMb < limitMb ? "ok" : "MISSED");
    } catch (const RankholdError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
