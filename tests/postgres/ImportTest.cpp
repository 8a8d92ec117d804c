// The import into a shared database: importers of several game servers at
// once store every row once; a server that goes away in the middle takes
// the whole import with it, and the next import stores it all; a value the
// server refuses damages its block only, as on SQLite.
#include "../scores/GeneratedScores.h"
#include "../scores/ScoreFixture.h"
#include "PostgresFixture.h"

#include "common/RankholdError.h"
#include "scores/DatabaseFile.h"
#include "scores/DatabaseLocation.h"
#include "support/ImportProperty.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPlayers = 8;

// "Stored N new rows; M already stored." as {N, M}.
std::pair<qint64, qint64> storedFigures(const QStringList &out)
{
    static const QRegularExpression line(u"^Stored (\\d+) new rows; (\\d+) already stored\\.$"_s);
    for (const QString &text : out) {
        const QRegularExpressionMatch m = line.match(text);
        if (m.hasMatch())
            return {m.captured(1).toLongLong(), m.captured(2).toLongLong()};
    }
    return {-1, -1};
}

} // namespace

TEST_F(PostgresTest, TwoImportersAtOnceStoreEveryRowOnce)
{
    createTables();
    // Two game servers whose files share 1,000 maps (a map both servers
    // wrote, a file copied from one to the other).
    struct Importer {
        QString folder, game;
        QByteArray scores;
        QProcess process;
    };
    Importer importers[2];
    for (int i = 0; i < 2; ++i) {
        importers[i].folder = path(u"server%1"_s.arg(i));
        importers[i].game = path(u"game%1"_s.arg(i));
        writeFile(importers[i].folder + u"/Rankhold.ini"_s, rankingsIni(url));
        importers[i].scores = generated::blocks(i * 1000, 2000, kPlayers);
        writeFile(importers[i].game + u"/scores.txt"_s, importers[i].scores);
    }
    for (Importer &importer : importers)
        startCli(importer.process, importer.folder, {u"--game-folder"_s, importer.game, u"import"_s});
    qint64 stored = 0;
    for (Importer &importer : importers) {
        const Result r = finish(importer.process);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const auto [added, already] = storedFigures(r.out);
        EXPECT_EQ(added + already, 2000 * kPlayers);
        stored += added;
    }
    const qint64 all = 3000 * kPlayers;
    EXPECT_EQ(stored, all);
    EXPECT_EQ(select(u"SELECT COUNT(*) || ' ' || COUNT(DISTINCT Id) FROM player"_s), QStringList{u"%1 %1"_s.arg(all)});
    // The totals count every row once, as a grouping of the rows does.
    EXPECT_EQ(select(u"SELECT COUNT(*) FROM (SELECT Player, Games, Kills, Deaths FROM player_totals EXCEPT "
                     "SELECT Player, Count(*), Sum(Kills), Sum(Deaths) FROM player GROUP BY Player) AS differing"_s),
              QStringList{u"0"_s});
    EXPECT_EQ(select(u"SELECT Sum(Games) FROM player_totals"_s), QStringList{QString::number(all)});
}

namespace {

// Stops the server when the import has read half of the file.
class StoppingHost : public RecordingHost
{
public:
    explicit StoppingHost(PostgresServer &server) : m_server(server) {}
    void setProgress(int position) override
    {
        RecordingHost::setProgress(position);
        if (position >= 50 && !stopped)
            stopped = m_server.stop();
    }
    bool stopped = false;

private:
    PostgresServer &m_server;
};

} // namespace

TEST_F(PostgresTest, ServerStoppedInTheMiddleOfAnImportTakesTheWholeImportWithIt)
{
    createTables();
    const QByteArray scores = generated::blocks(0, 400, kPlayers);
    AppState state;
    state.programFolder = ProgramFolder(path(u"program"_s));
    state.gameFolder = path(u"game"_s);
    writeFile(state.programFolder.path() + u"/Rankhold.ini"_s, rankingsIni(url));
    state.database.setLocation(databaseLocationOf(state.programFolder));
    StoppingHost host(server());
    state.database.setConnectionListener(
        [&host](bool open) { host.setConnectionText(open ? kConnectionOpen : kConnectionClosed); });
    Settings settings;
    QTimer timer3;
    MainCommands commands(state, host, timer3, [&settings] { return settings; });
    const QString scoreFile = state.gameFolder + u"/scores.txt"_s;
    writeFile(scoreFile, scores);

    const QString message = errorMessageOf([&] { commands.importScores(); });
    ASSERT_TRUE(host.stopped);
    EXPECT_TRUE(message.startsWith(u"The connection to the database was lost in the middle of the import, which was "
                                   "rolled back as a whole: nothing of the score file is stored, and it stays for the "
                                   "next import ("_s))
        << message.toStdString();
    EXPECT_EQ(readFile(scoreFile), scores);

    ASSERT_TRUE(server().start());
    EXPECT_EQ(select(u"SELECT COUNT(*) FROM player"_s), QStringList{u"0"_s});
    // The next round finds the connection dead, makes a new one and stores every row.
    host.connectionTexts.clear();
    const ImportOutcome again = commands.importScores();
    EXPECT_EQ(again.import.stored, 400 * kPlayers);
    EXPECT_EQ(again.import.alreadyStored, 0);
    EXPECT_EQ(host.connectionTexts, (QStringList{kConnectionClosed, kConnectionOpen}));
    EXPECT_EQ(select(u"SELECT COUNT(*) FROM player"_s), QStringList{QString::number(400 * kPlayers)});
    EXPECT_FALSE(QFile::exists(scoreFile)); // archived now
}

TEST_F(PostgresTest, ValueTheServerRefusesDamagesItsBlockOnlyAsOnSqlite)
{
    createTables();
    Installation sqlite(path(u"sqlite"_s));
    Installation pg(path(u"pg"_s), url);
    const QByteArray damaged = scoreBlock(
        "B", "d2", "t2", "Capture the Flag",
        {playerRow("Two", "+2", "2", "2"), playerRow("Bad", "many", "7", "1"), playerRow("Late", "1", "1", "1")});
    const QByteArray scores = scoreBlock("A", "d1", "t1", "Deathmatch", {playerRow("One", "1", "1", "1")}) + damaged +
                              scoreBlock("C", "d3", "t3", "Deathmatch", {playerRow("Three", "3", "3", "3")});
    QStringList messages;
    for (Installation *i : {&sqlite, &pg}) {
        writeFile(i->scoreFile(), scores);
        messages.append(errorMessageOf([i] { i->import(); }));
        // The transaction went on after the refused row: the block after it
        // is stored, the damaged one set aside, the file archived.
        EXPECT_EQ(readFile(i->programFolder + u"/oldscores/rejected.1"_s), damaged);
        EXPECT_EQ(readFile(i->programFolder + u"/oldscores/scores.1"_s), scores);
    }
    EXPECT_EQ(messages.value(0), u"cannot store TEXT value in INTEGER column player.Flags"_s);
    EXPECT_TRUE(messages.value(1).contains(u"many"_s)) << messages.value(1).toStdString();
    ASSERT_EQ(pg.rows().size(), 3); // One, Two (before the refused row), Three
    EXPECT_EQ(pg.rows(), sqlite.rows());

    // The block mended and imported again adds only what was missing.
    for (Installation *i : {&sqlite, &pg}) {
        writeFile(i->scoreFile(), QByteArray(damaged).replace("many", "9"));
        ASSERT_TRUE(i->import());
    }
    EXPECT_EQ(pg.rows().size(), 5);
    EXPECT_EQ(pg.rows(), sqlite.rows());
}

TEST_F(PostgresTest, ImportDependsOnTheFileAlone)
{
    createTables();
    const QString second = server().createDatabase();
    ASSERT_FALSE(second.isEmpty()) << server().why().toStdString();
    ASSERT_NO_THROW(createDatabase(parseDatabaseUrl(second)));
    PlayerDatabase whole, byBlocks;
    whole.setLocation(parseDatabaseUrl(url));
    byBlocks.setLocation(parseDatabaseUrl(second));
    checkImportDependsOnTheFileAlone(whole, byBlocks, path(u"game"_s), 20261209, 25);
}

TEST_F(PostgresTest, ServerThatStopsAnsweringEndsTheImportAndNeverHoldsUpAStop)
{
    createTables();
    // Once the import is under way, every backend rankhold-cli has on the
    // database is stopped (SIGSTOP): the connection stays up, and nothing is
    // answered any more.
    QStringList frozen;
    const auto thaw = [&] {
        for (const QString &pid : std::exchange(frozen, {}))
            ::kill(pid.toInt(), SIGCONT);
    };
    const auto thawAtTheEnd = qScopeGuard(thaw);
    const QString game = path(u"game"_s);
    const auto watchUntilFrozen = [&](QProcess &watch, const QString &folder) {
        writeFile(game + u"/scores.txt"_s, generated::blocks(0, 5000, kPlayers));
        startCli(watch, folder, {u"--game-folder"_s, game, u"watch"_s, u"--interval"_s, u"1"_s});
        QString out;
        QElapsedTimer clock;
        clock.start();
        while (!out.contains(u"Importing Scores.txt"_s) && clock.elapsed() < 30000 &&
               watch.state() == QProcess::Running) {
            watch.waitForReadyRead(5);
            out += QString::fromLocal8Bit(watch.readAllStandardOutput());
        }
        // The rows are on their way: earlier, a slow build may still be
        // opening the database, whose statements are no part of the import.
        while (clock.elapsed() < 60000 && watch.state() == QProcess::Running &&
               select(u"SELECT COUNT(*) FROM pg_stat_activity WHERE application_name = 'rankhold' AND "
                      "query LIKE 'COPY%'"_s) == QStringList{u"0"_s})
            QThread::msleep(5);
        frozen = select(u"SELECT pid FROM pg_stat_activity WHERE application_name = 'rankhold' AND "
                        "datname = current_database()"_s);
        for (const QString &pid : frozen)
            ::kill(pid.toInt(), SIGSTOP);
        return out.contains(u"Importing Scores.txt"_s) && !frozen.isEmpty();
    };
    const auto readUntil = [](QProcess &watch, QString &text, const QString &wanted, int ms, bool fromStdout) {
        QElapsedTimer clock;
        clock.start();
        while (!text.contains(wanted) && clock.elapsed() < ms && watch.state() == QProcess::Running) {
            watch.waitForReadyRead(50);
            text += QString::fromLocal8Bit(fromStdout ? watch.readAllStandardOutput() : watch.readAllStandardError());
        }
        return text.contains(wanted);
    };

    // The import ends after the time-out with a clear error, rolled back;
    // the next round, on a new connection, stores the file.
    {
        const QString folder = path(u"timeout"_s);
        writeFile(folder + u"/Rankhold.ini"_s, rankingsIni(url) + "timeout=5\r\n");
        QProcess watch;
        ASSERT_TRUE(watchUntilFrozen(watch, folder));
        QString err, out;
        ASSERT_TRUE(readUntil(watch, err, u"did not answer for 15 s"_s, 120000, false)) << err.toStdString();
        EXPECT_TRUE(err.contains(u"rolled back as a whole"_s)) << err.toStdString();
        thaw();
        ASSERT_TRUE(readUntil(watch, out, u"Stored %1 new rows; 0 already stored."_s.arg(5000 * kPlayers), 60000, true))
            << out.toStdString();
        watch.terminate();
        ASSERT_TRUE(watch.waitForFinished(30000));
    }
    ASSERT_TRUE(server().execute(database(), u"DELETE FROM player"_s)) << server().why().toStdString();

    // A stop while the import waits on such a server ends the program within seconds.
    {
        const QString folder = path(u"stop"_s);
        writeFile(folder + u"/Rankhold.ini"_s, rankingsIni(url));
        QProcess watch;
        ASSERT_TRUE(watchUntilFrozen(watch, folder));
        QThread::msleep(500);
        QElapsedTimer clock;
        clock.start();
        watch.terminate();
        ASSERT_TRUE(watch.waitForFinished(60000));
        EXPECT_LT(clock.elapsed(), 10000) << "the stop waited for the server";
        const QString err = QString::fromLocal8Bit(watch.readAllStandardError());
        EXPECT_EQ(watch.exitCode(), 0) << err.toStdString();
        EXPECT_TRUE(err.contains(u"did not answer before the program had to stop"_s)) << err.toStdString();
        EXPECT_TRUE(QFile::exists(game + u"/scores.txt"_s)) << "rolled back: the file stays";
    }
    thaw();
    EXPECT_EQ(select(u"SELECT COUNT(*) FROM player"_s), QStringList{u"0"_s});
}
