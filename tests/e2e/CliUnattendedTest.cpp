// rankhold-cli left running for months: compaction against a running watch,
// a database replaced under it, an archive that cannot be written, and
// errors that say where in the score file they are.
#include "CliFixture.h"

#include <QFile>
#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kCompactFailed =
    u"Unable to compact database\nMake sure the database is not being used\nand try again...\n"_s;

// Reads the process's stdout until `text` has been a line of it `times` times; false after `ms`.
bool waitForLines(QProcess &process, QString &seen, const QString &text, qsizetype times, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (seen.split(u'\n').count(text) < times) {
        if (clock.elapsed() > ms || process.state() != QProcess::Running)
            return false;
        process.waitForReadyRead(50);
        seen += QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    return true;
}

} // namespace

TEST_F(CliFixture, CompactionFailsAgainstARunningWatchWhichGoesOnAndFollowsAReplacedDatabase)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    QProcess watch;
    start(watch, {u"--game-folder"_s, gameFolder, u"watch"_s, u"--interval"_s, u"1"_s});
    // Its signal handlers are set once the database is open.
    ASSERT_TRUE(waitUntilCaught(watch, SIGTERM, 20000));

    const Result compact = run({u"compact"_s});
    EXPECT_EQ(compact.exitCode, 1);
    EXPECT_EQ(compact.err.toStdString(), kCompactFailed.toStdString());

    QString out;
    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 3, 1}}));
    ASSERT_TRUE(waitForLine(watch, out, u"Stored 1 new rows; 0 already stored."_s, 20000)) << out.toStdString();

    // Another copy is put in its place (a restore): the next round writes to it.
    const QString database = programFolder + u"/Rankhold.mdb"_s;
    ASSERT_TRUE(QFile::copy(database, programFolder + u"/restored"_s));
    ASSERT_EQ(std::rename(QFile::encodeName(programFolder + u"/restored"_s).constData(),
                          QFile::encodeName(database).constData()),
              0);
    writeFile(scoreFile(), block("Ice Flats", 2, {{"Bravo", 1, 1}, {"Charlie", 2, 0}}));
    ASSERT_TRUE(waitForLine(watch, out, u"Stored 2 new rows; 0 already stored."_s, 20000)) << out.toStdString();

    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(20000));
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_TRUE(watch.readAllStandardError().isEmpty());
    EXPECT_EQ(players(), (QStringList{u"Alpha"_s, u"Bravo"_s, u"Charlie"_s}));
    EXPECT_EQ(run({u"compact"_s}).exitCode, 0) << "nobody else has it open now";
}

TEST_F(CliFixture, ArchiveThatCannotBeWrittenIsSaidOnceAndAgainWhenItsCauseChanges)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    const QString archive = programFolder + u"/oldscores"_s;
    writeFile(archive, "not a folder");
    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 3, 1}}));
    const auto problem = [&](const QString &cause) {
        return u"%1 was imported but cannot be archived: cannot create the folder %2 (%3). It stays where it is and "
               "is read again at every import.\n"_s.arg(scoreFile(), archive, cause);
    };

    const Result import = run({u"--game-folder"_s, gameFolder, u"import"_s});
    EXPECT_EQ(import.exitCode, 1) << "a file read again at every import is no success";
    EXPECT_EQ(import.out.last(), u"Stored 1 new rows; 0 already stored."_s);
    EXPECT_EQ(import.err.toStdString(), problem(u"a file has that name"_s).toStdString());

    QProcess watch;
    start(watch, {u"--game-folder"_s, gameFolder, u"watch"_s, u"--interval"_s, u"1"_s});
    QString out;
    const QString again = u"Stored 0 new rows; 1 already stored."_s;
    ASSERT_TRUE(waitForLines(watch, out, again, 3, 30000)) << out.toStdString();
    // Another cause: a link to nowhere in the folder's place.
    ASSERT_TRUE(QFile::remove(archive));
    ASSERT_TRUE(QFile::link(dir.filePath(u"nowhere/oldscores"_s), archive));
    ASSERT_TRUE(waitForLines(watch, out, again, 6, 30000)) << out.toStdString();
    // Mended: the next round archives the file and has nothing to say.
    ASSERT_TRUE(QFile::remove(archive));
    QElapsedTimer clock;
    clock.start();
    while (QFile::exists(scoreFile()) && clock.elapsed() < 30000)
        watch.waitForReadyRead(100);
    ASSERT_FALSE(QFile::exists(scoreFile()));
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(20000));
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(watch.readAllStandardError()).toStdString(),
              (problem(u"a file has that name"_s) + problem(u"File exists"_s)).toStdString());
    EXPECT_TRUE(QFile::exists(archived(1)));
}

TEST_F(CliFixture, ScoreFileErrorsSayWhere)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    const QByteArray bad = "Game Stats for Game: Oasis\r\nDate:   03/15/02, 21:00002\r\n  Game type: Deathmatch\r\n"
                           "  No. Name                 Score     Kills Deaths\r\n"
                           "   1. Ghost                10   7x   1\r\n\r\n";
    struct Case {
        const char *what;
        QByteArray file;
        QString err;
    };
    const QString rejected = programFolder + u"/oldscores/rejected.1"_s;
    const QList<Case> cases = {
        {"a damaged block in the middle",
         block("Canyon", 1, {{"Alpha", 3, 1}}) + bad + block("Ice", 3, {{"Bravo", 1, 1}}),
         u"'7x' is not a valid integer value.\n%1, line 11: '   1. Ghost                10   7x   1' (set aside in %2)\n"_s
             .arg(scoreFile(), rejected)},
        {"a block cut off by the end of the file", block("Canyon", 1, {{"Alpha", 3, 1}}) + bad.left(60),
         u"List index out of bounds (9)\n%1, line 7: 'Game Stats for Game: Oasis'\n"_s.arg(scoreFile())},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(scoreFile(), c.file);
        const Result r = run({u"--game-folder"_s, gameFolder, u"import"_s});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.toStdString(), c.err.toStdString());
    }
    EXPECT_EQ(readFile(rejected), bad);
    EXPECT_EQ(players(), (QStringList{u"Alpha"_s, u"Bravo"_s}));
}
