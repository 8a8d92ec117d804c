// The shared database against the file, each command as a whole process
// and measured in the same run: `rankhold-cli import` of a score file of
// 10,000 blocks of 16 players (160,000 rows) into an empty database, and
// `rankhold-cli export` of the seven pages at 1,000,000 rows of 20,000
// players, on a local PostgreSQL (a cluster of its own in a temporary folder,
// started as the tests start theirs, but with fsync on as by default) beside the same on Rankhold.mdb. The
// server's rows come from the file by `rankhold-cli copy-database`, which is
// timed too, and the pages of both engines must be byte for byte the same.
// Prints the times, the ratios and the peak memory of each process.
//
//   postgres_bench [export rows] [players]   (default 1000000 20000)

#include "FilledDatabase.h"
#include "MeasuredProcess.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "scores/DatabaseFile.h"
#include "scores/DatabaseLocation.h"
#include "scores/GeneratedScores.h"
#include "support/PostgresServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBlocks = 10000;
constexpr int kPlayers = 16;
// The machine is shared: each figure is the median of a few rounds.
constexpr int kRounds = 5;

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        throw RankholdError(u"Cannot write %1"_s.arg(path));
}

QByteArray readBytes(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw RankholdError(u"Cannot read %1"_s.arg(path));
    return in.readAll();
}

bench::Measured runCli(const QStringList &arguments, const char *what)
{
    const bench::Measured m = bench::runMeasured(QStringLiteral(RANKHOLD_CLI), arguments);
    if (m.exitCode != 0)
        throw RankholdError(u"rankhold-cli %1 failed (exit %2)"_s.arg(QString::fromLatin1(what)).arg(m.exitCode));
    return m;
}

// A program folder with every ranking and the top 10 on; on the server
// when `url` is given.
QString programFolder(const QString &path, const QString &url = {})
{
    QDir().mkpath(path);
    QByteArray ini = "[HTMLCreation]\r\nKills=on\r\nDeaths=on\r\nFlags=on\r\nZonetime=on\r\nTargets=on\r\nRatio=on\r\n"
                     "Top10=on\r\n";
    if (!url.isEmpty())
        ini += "[Database]\r\nurl=" + url.toUtf8() + "\r\n";
    writeBytes(ProgramFolder(path).settingsFile(), ini);
    return path;
}

QString serverDatabase(PostgresServer &server, bool withTables)
{
    const QString url = server.createDatabase();
    if (url.isEmpty())
        throw RankholdError(u"Cannot create a database on the server: %1"_s.arg(server.why()));
    if (withTables)
        createDatabase(parseDatabaseUrl(url));
    return url;
}

void print(const char *what, const bench::Measured &m)
{
    std::printf("%-48s %8.3f s   peak %6.1f MB\n", what, m.seconds, m.peakMb);
}

void measureImport(PostgresServer &server, const QTemporaryDir &dir)
{
    const QString master = dir.filePath(u"scores.master"_s);
    const QByteArray file = generated::file(kBlocks, kPlayers);
    writeBytes(master, file);
    const QString game = dir.filePath(u"game"_s);
    QDir().mkpath(game);
    std::vector<bench::Measured> onFiles, onServers;
    for (int round = 0; round < kRounds; ++round) {
        // Alternately, so that neither pays for a busy moment of the machine alone.
        const QString sqlite = programFolder(dir.filePath(u"import-file%1"_s.arg(round)));
        createDatabase(ProgramFolder(sqlite).databaseFile());
        writeBytes(game + u"/scores.txt"_s, file);
        const bench::Measured f =
            runCli({u"--program-folder"_s, sqlite, u"--game-folder"_s, game, u"import"_s}, "import (file)");

        const QString server_ =
            programFolder(dir.filePath(u"import-server%1"_s.arg(round)), serverDatabase(server, true));
        writeBytes(game + u"/scores.txt"_s, file);
        const bench::Measured s =
            runCli({u"--program-folder"_s, server_, u"--game-folder"_s, game, u"import"_s}, "import (server)");
        onFiles.push_back(f);
        onServers.push_back(s);
    }
    const bench::Measured onFile = bench::median(onFiles), onServer = bench::median(onServers);
    std::printf("import: %d blocks of %d players, %d rows, %.1f MB; medians of %d rounds\n", kBlocks, kPlayers,
                kBlocks * kPlayers, double(file.size()) / (1024.0 * 1024.0), kRounds);
    print("rankhold-cli import, Rankhold.mdb (baseline):", onFile);
    print("rankhold-cli import, PostgreSQL:", onServer);
    std::printf("import PostgreSQL / Rankhold.mdb:  %.2f (target <= 1.3)\n\n", onServer.seconds / onFile.seconds);
}

void measureExport(PostgresServer &server, const QTemporaryDir &dir, qint64 rows, int players)
{
    const QString sqlite = programFolder(dir.filePath(u"export-file"_s));
    const QString database = ProgramFolder(sqlite).databaseFile();
    createDatabase(database);
    bench::fillDatabase(database, rows, players);
    const QString url = serverDatabase(server, false);
    const QString onServerFolder = programFolder(dir.filePath(u"export-server"_s), url);
    const bench::Measured copy =
        runCli({u"--program-folder"_s, sqlite, u"copy-database"_s, u"--to"_s, url}, "copy-database");

    std::vector<bench::Measured> onFiles, onServers;
    for (int round = 0; round < kRounds; ++round) {
        onFiles.push_back(runCli({u"--program-folder"_s, sqlite, u"export"_s}, "export (file)"));
        onServers.push_back(runCli({u"--program-folder"_s, onServerFolder, u"export"_s}, "export (server)"));
    }
    const bench::Measured onFile = bench::median(onFiles), onServer = bench::median(onServers);
    int same = 0;
    for (const ProgramFolder::Page page : ProgramFolder::kPages) {
        const QByteArray a = readBytes(ProgramFolder(sqlite).pagePath(page));
        const QByteArray b = readBytes(ProgramFolder(onServerFolder).pagePath(page));
        if (a != b)
            throw RankholdError(u"%1 differs between the engines"_s.arg(ProgramFolder::pageName(page)));
        ++same;
    }
    std::printf("export: %lld rows of %d players; medians of %d rounds; %d pages byte for byte the same\n",
                static_cast<long long>(rows), players, kRounds, same);
    print("rankhold-cli copy-database (file to server):", copy);
    std::printf("copy-database: %.0f rows a second (target >= 100000)\n", double(rows) / copy.seconds);
    print("rankhold-cli export, Rankhold.mdb (baseline):", onFile);
    print("rankhold-cli export, PostgreSQL:", onServer);
    std::printf("export PostgreSQL / Rankhold.mdb:  %.2f\n", onServer.seconds / onFile.seconds);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1000000;
    const int players = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    try {
        QTemporaryDir dir;
        if (!dir.isValid())
            throw RankholdError(u"Cannot make a temporary folder"_s);
        // rankhold-cli reads its registry store from here, not the developer's;
        // no password of the developer's reaches the server.
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_s).toLocal8Bit());
        qputenv("PGPASSFILE", dir.filePath(u"no-pgpass"_s).toLocal8Bit());
        PostgresServer server(true);
        if (!server.isRunning())
            throw RankholdError(u"PostgreSQL cannot be started: %1"_s.arg(server.why()));
        std::printf("server: a cluster of its own on 127.0.0.1:%d (fsync on, as by default)\n\n", server.port());
        measureImport(server, dir);
        measureExport(server, dir, rows, players);
        return 0;
    } catch (const RankholdError &e) {
        std::fprintf(stderr, "postgres_bench: %s\n", e.what());
        return 1;
    }
}
