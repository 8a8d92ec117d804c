// The stand-in game appends a block every few milliseconds while the import
// runs in a loop, in both ways a server may hold its score file, with the
// archive on the game folder's file system and on another. Whatever the
// timing, no block may be lost or archived without being imported: after
// the game stops and two more imports, the database holds exactly the rows
// the game wrote, and the archive holds every byte it wrote, once, in order.
#include "ScoreFixture.h"

#include "common/RankholdError.h"
#include "scores/ScoreReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <iostream>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct StressCase {
    const char *name;
    bool keepOpen;         // the game keeps scores.txt open across maps
    bool archiveElsewhere; // oldscores on a file system of its own
};

void PrintTo(const StressCase &c, std::ostream *os)
{
    *os << c.name;
}

class ArchiveStress : public ScoreFixture, public ::testing::WithParamInterface<StressCase>
{
protected:
    void TearDown() override
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(archiveFolder()).constData(), MNT_DETACH);
        ScoreFixture::TearDown();
    }

    QString archiveFolder() const { return programFolder + u"/oldscores"_s; }

    // A tmpfs as the archive folder: another file system than the game folder's.
    bool mountArchiveElsewhere()
    {
        if (::geteuid() != 0)
            return false;
        if (!QDir().mkpath(archiveFolder()))
            return false;
        m_mounted = ::mount("tmpfs", QFile::encodeName(archiveFolder()).constData(), "tmpfs", 0, "size=64m") == 0;
        return m_mounted;
    }

    void startGame(QProcess &game, const QString &ledger)
    {
        const QString exe = gameFolder + u"/dflw.exe"_s;
        ASSERT_TRUE(QFile::copy(sourcePath(u"standin/dflw.exe"_s), exe));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"RANKHOLD_STANDIN_INTERVAL"_s, u"0.015"_s);
        env.insert(u"RANKHOLD_STANDIN_KEEP_OPEN"_s, GetParam().keepOpen ? u"1"_s : u"0"_s);
        env.insert(u"RANKHOLD_STANDIN_LEDGER"_s, ledger);
        env.remove(u"RANKHOLD_STANDIN_MAPS"_s);
        game.setProcessEnvironment(env);
        game.setWorkingDirectory(gameFolder);
        game.start(u"python3"_s, {exe, u"/s"_s});
        ASSERT_TRUE(game.waitForStarted());
    }

    // The row keys of a score file's bytes.
    static QSet<QString> keysOf(const QByteArray &bytes)
    {
        QSet<QString> keys;
        const ScoreLines lines(bytes);
        ScoreReader reader(lines);
        ScoreRow row;
        while (reader.next(row))
            keys.insert(row.id());
        return keys;
    }

    QSet<QString> storedKeys()
    {
        QSet<QString> keys;
        QSqlQuery q(db.connection());
        EXPECT_TRUE(q.exec(u"SELECT Id FROM player"_s));
        while (q.next())
            keys.insert(q.value(0).toString());
        return keys;
    }

    // Every scores.N of the archive in the order of N, joined.
    QByteArray archivedBytes(int &files)
    {
        QByteArray all;
        files = 0;
        const QStringList names = QDir(archiveFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (int n = 1; QFile::exists(archived(n)); ++n) {
            all += readFile(archived(n));
            ++files;
        }
        EXPECT_EQ(names.size(), files) << "other files in the archive: " << names.join(u", "_s).toStdString();
        return all;
    }

    bool m_mounted = false;
};

constexpr int kWritingMs = 2500;

TEST_P(ArchiveStress, NoBlockIsLostOrArchivedUnimported)
{
    if (GetParam().archiveElsewhere && !mountArchiveElsewhere())
        GTEST_SKIP() << "the archive on another file system needs root and the right to mount a tmpfs as oldscores";

    // Rounds as short as the system allows, so that many of them meet the
    // game in the middle of a block (the database's durability is not under test).
    QSqlQuery(db.connection()).exec(u"PRAGMA synchronous = OFF"_s);
    const QString ledger = dir.filePath(u"ledger"_s);
    QProcess game;
    startGame(game, ledger);

    // The clock starts with the first block (the interpreter takes a while to start).
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(ledger) && clock.elapsed() < 30000 && game.state() == QProcess::Running)
        QThread::msleep(5);
    ASSERT_TRUE(QFile::exists(ledger)) << "the stand-in game wrote nothing";

    int rounds = 0, failedRounds = 0, foundRounds = 0;
    clock.start();
    while (clock.elapsed() < kWritingMs) {
        try {
            if (import())
                ++foundRounds;
        } catch (const RankholdError &) {
            // A block the game is still writing ends a round, as it should.
            ++failedRounds;
        }
        ++rounds;
    }
    game.terminate(); // SIGTERM: the stand-in ends after the block in progress
    ASSERT_TRUE(game.waitForFinished(20000));
    ASSERT_EQ(game.exitCode(), 0) << game.readAllStandardError().toStdString();

    // Two more rounds, as a server would run them after the game stopped.
    EXPECT_NO_THROW(import());
    EXPECT_NO_THROW(import());

    const QByteArray written = readFile(ledger);
    const QSet<QString> writtenKeys = keysOf(written);
    const QSet<QString> stored = storedKeys();
    int files = 0;
    const QByteArray archivedAll = archivedBytes(files);

    std::cout << "[ stress   ] " << GetParam().name << ": " << written.count("Game Stats for Game:") << " blocks, "
              << writtenKeys.size() << " rows written, " << stored.size() << " stored, " << rounds << " rounds, "
              << foundRounds << " found a file (" << failedRounds << " ended by a block being written), " << files
              << " archive files\n";

    ASSERT_FALSE(writtenKeys.isEmpty());
    EXPECT_EQ(stored.size(), writtenKeys.size());
    EXPECT_TRUE((writtenKeys - stored).isEmpty()) << (writtenKeys - stored).size() << " rows written were never stored";
    EXPECT_TRUE((stored - writtenKeys).isEmpty());
    EXPECT_TRUE(archivedAll == written) << "the archive holds " << archivedAll.size() << " bytes of the "
                                        << written.size() << " written";
    EXPECT_TRUE(QDir(gameFolder).entryList({u"scores*"_s}, QDir::Files | QDir::Hidden).isEmpty())
        << "a score file was left behind: " << QDir(gameFolder).entryList(QDir::Files).join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Modes, ArchiveStress,
                         ::testing::Values(StressCase{"file opened per block", false, false},
                                           StressCase{"file kept open", true, false},
                                           StressCase{"file opened per block, archive elsewhere", false, true},
                                           StressCase{"file kept open, archive elsewhere", true, true}),
                         [](const ::testing::TestParamInfo<StressCase> &param) {
                             return std::string(param.param.keepOpen ? "KeptOpen" : "OpenedPerBlock") +
                                    (param.param.archiveElsewhere ? "ArchiveElsewhere" : "ArchiveBeside");
                         });

} // namespace
