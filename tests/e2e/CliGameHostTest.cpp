// rankhold-cli with a game on another machine: the URL forms, where the
// password comes from, what watch says about a host that cannot be reached.
#include "CliFixture.h"

#include "support/FtpServers.h"

#include <csignal>

using namespace Qt::StringLiterals;

TEST_F(CliFixture, ImportFromAGameHostTakesThePasswordFromTheEnvironmentOnly)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(server.filePath(u"scores.txt"_s), block("Canyon", 1, {{"Alpha", 7, 2}, {"Bravo", 1, 3}}));
    const QString url = u"ftp://%1@127.0.0.1:%2/"_s.arg(server.user()).arg(server.port());

    // In the URL it is refused, and not repeated.
    const Result inUrl =
        run({u"--game-folder"_s, u"ftp://ranker:"_s + server.password() + u"@127.0.0.1/"_s, u"import"_s});
    EXPECT_EQ(inUrl.exitCode, 2);
    EXPECT_TRUE(inUrl.err.contains(u"password"_s));
    EXPECT_FALSE(inUrl.err.contains(server.password()));

    const Result wrong = run({u"--game-folder"_s, url, u"import"_s}, {u"RANKHOLD_GAME_PASSWORD=nope"_s});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains(u"The game host cannot be reached: 530"_s)) << wrong.err.toStdString();

    const Result r = run({u"--game-folder"_s, url, u"import"_s}, {u"RANKHOLD_GAME_PASSWORD="_s + server.password()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(rowCount(), 2);
    EXPECT_TRUE(QFile::exists(archived(1)));
    EXPECT_FALSE(QFile::exists(server.filePath(u"scores.txt"_s)));
}

// A host that is down is named once, not every round, and a round that
// waits on a silent host ends within seconds of SIGTERM.
TEST_F(CliFixture, WatchNamesAnUnreachableHostOnceAndStopsWithinSecondsOfSigterm)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeIni("[GameHost]\r\nurl=ftp://ranker@127.0.0.1:1/\r\n");
    QProcess down;
    start(down, {u"watch"_s, u"--interval"_s, u"1"_s});
    ASSERT_TRUE(waitUntilCaught(down, SIGTERM, 20000));
    QThread::msleep(3500);
    down.terminate();
    ASSERT_TRUE(down.waitForFinished(20000));
    const QString err = QString::fromLocal8Bit(down.readAllStandardError());
    EXPECT_EQ(err.count(u"The game host cannot be reached: connect to 127.0.0.1:1: 10061:Connection refused"_s), 1)
        << err.toStdString();

    ScriptedFtpServer silent(u"silent_after_greeting"_s);
    ASSERT_TRUE(silent.isRunning()) << silent.errorText().toStdString();
    writeIni("[GameHost]\r\nurl=ftp://ranker@127.0.0.1:" + QByteArray::number(silent.port()) + "/\r\n");
    QProcess watch;
    start(watch, {u"watch"_s, u"--interval"_s, u"1"_s});
    // The round is under way once the server has the user name.
    QElapsedTimer clock;
    clock.start();
    while (!silent.commands().contains(u"USER ranker"_s) && clock.elapsed() < 20000)
        QThread::msleep(20);
    ASSERT_TRUE(silent.commands().contains(u"USER ranker"_s));
    clock.restart();
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(70000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(watch.exitCode(), 0);
}
