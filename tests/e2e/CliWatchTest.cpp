// rankhold-cli watch: SIGTERM, SIGINT and a lost reader end it between two steps, never in
// the middle of an import.
#include "CliFixture.h"

#include <QFile>
#include <csignal>

using namespace Qt::StringLiterals;

TEST_F(CliFixture, WatchStoppedBySigtermInTheMiddleOfAnImportFinishesItAndExitsWithZero)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(), largeScores());

    QProcess watch;
    start(watch, {u"--game-folder"_s, gameFolder, u"watch"_s, u"--interval"_s, u"1"_s});
    QString out;
    ASSERT_TRUE(waitForLine(watch, out, u"Importing Scores.txt"_s, 30000)) << out.toStdString();
    ASSERT_FALSE(out.contains(u"Idle"_s)) << "the import ended before the signal could be sent";
    watch.terminate(); // SIGTERM
    ASSERT_TRUE(watch.waitForFinished(120000));
    out += QString::fromLocal8Bit(watch.readAllStandardOutput());

    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().toStdString();
    // The import ran to its end: every row, the file archived, and no second round.
    EXPECT_EQ(out.split(u'\n', Qt::SkipEmptyParts),
              (QStringList{u"Importing Scores.txt"_s, u"Idle"_s,
                           u"Stored %1 new rows; 0 already stored."_s.arg(kBlocks * kPlayers)}));
    EXPECT_EQ(rowCount(), kBlocks * kPlayers);
    EXPECT_FALSE(QFile::exists(scoreFile()));
    EXPECT_TRUE(QFile::exists(archived(1)));
}

TEST_F(CliFixture, WatchWaitingForItsNextRoundStopsAtOnceOnSigint)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    QProcess watch;
    start(watch, {u"--game-folder"_s, gameFolder, u"watch"_s, u"--chain"_s});
    // Sent before the handler is in place, SIGINT would end the process by
    // default: wait until it catches the signal (slow starts under sanitizers).
    ASSERT_TRUE(waitUntilCaught(watch, SIGINT, 20000));
    ASSERT_EQ(watch.state(), QProcess::Running);
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(watch.processId()), SIGINT);
    ASSERT_TRUE(watch.waitForFinished(10000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_TRUE(watch.readAllStandardOutput().isEmpty()); // no round came: the first is one interval away
}

TEST_F(CliFixture, WatchWhoseOutputLosesItsReaderFinishesTheImportAndStops)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(), largeScores());

    // head goes away after the first status text: the next one meets a closed pipe.
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    shell.setProcessEnvironment(env);
    shell.setWorkingDirectory(programFolder);
    shell.start(u"/bin/sh"_s, {u"-c"_s, u"(\"$@\"; echo \"exit $?\" >&2) | head -n 1"_s, u"sh"_s, program(),
                               u"--game-folder"_s, gameFolder, u"watch"_s, u"--interval"_s, u"1"_s});
    shell.closeWriteChannel();
    ASSERT_TRUE(shell.waitForFinished(120000));
    const QString err = QString::fromLocal8Bit(shell.readAllStandardError());

    // Not ended by SIGPIPE half-way: the import ran to its end, the program
    // stopped after it, and the lost output is no success.
    EXPECT_EQ(QString::fromLocal8Bit(shell.readAllStandardOutput()), u"Importing Scores.txt\n"_s);
    EXPECT_TRUE(err.endsWith(u"exit 1\n"_s)) << err.toStdString();
    EXPECT_EQ(rowCount(), kBlocks * kPlayers);
    EXPECT_FALSE(QFile::exists(scoreFile()));
    EXPECT_TRUE(QFile::exists(archived(1)));
}
