#include "commands/GameLaunch.h"
#include "commands/GameFolderRecord.h"
#include "common/RankholdError.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Waits for a file that a started process writes, complete (it ends in "end").
QByteArray waitForReport(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        const QByteArray bytes = readFile(path);
        if (bytes.endsWith("end\n"))
            return bytes;
        platform::sleepMilliseconds(20);
    }
    return readFile(path);
}

void installFakeGame(const QString &folder)
{
    const QString exe = folder + u"/dflw.exe"_s;
    writeFile(exe, "#!/bin/sh\n"
                   "{ echo \"argc=$#\"; for a in \"$@\"; do echo \"arg=$a\"; done; echo \"cwd=$(pwd)\";\n"
                   "  echo \"nice=$(cut -d' ' -f19 /proc/self/stat)\"; echo end; } > launch.txt\n");
    QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
}

} // namespace

TEST(GameLaunch, StartsTheGameWithSlashSInAFolderWithBlanks)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"Delta Force/Land Warrior"_s);
    installFakeGame(folder);
    const int original = platform::processPriorityClass();

    ASSERT_TRUE(runGameStatEnabled(folder, false));
    const QByteArray report = waitForReport(folder + u"/launch.txt"_s);
    EXPECT_TRUE(report.startsWith("argc=1\narg=/s\ncwd=" + QFile::encodeName(folder) + "\n")) << report.constData();
    EXPECT_TRUE(report.contains("nice=0\n")) << report.constData();
    EXPECT_EQ(platform::processPriorityClass(), platform::kNormalPriorityClass);

    // High priority when it is granted (root), for the program and the game.
    QFile::remove(folder + u"/launch.txt"_s);
    ASSERT_TRUE(runGameStatEnabled(folder, true));
    const bool granted = platform::processPriorityClass() == platform::kHighPriorityClass;
    const QByteArray high = waitForReport(folder + u"/launch.txt"_s);
    if (granted) {
        EXPECT_TRUE(high.contains("nice=-10\n")) << high.constData();
    }
    // A later launch without the box puts the program back to normal.
    QFile::remove(folder + u"/launch.txt"_s);
    ASSERT_TRUE(runGameStatEnabled(folder, false));
    EXPECT_EQ(platform::processPriorityClass(), platform::kNormalPriorityClass);
    waitForReport(folder + u"/launch.txt"_s);
    platform::setProcessPriorityClass(original);
}

TEST(GameLaunch, NothingStartsWithoutAGame)
{
    QTemporaryDir dir;
    EXPECT_FALSE(runGameStatEnabled(dir.path(), false));
    EXPECT_FALSE(runGameStatEnabled(QString(), false));
}

TEST(GameLaunch, StandInWritesScoreBlocksOnlyWithSlashS)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"game folder"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(sourcePath(u"standin/dflw.exe"_s), folder + u"/dflw.exe"_s));
    QFile::setPermissions(folder + u"/dflw.exe"_s, QFile::permissions(folder + u"/dflw.exe"_s) | QFileDevice::ExeOwner);
    qputenv("RANKHOLD_STANDIN_INTERVAL", "0.05");
    qputenv("RANKHOLD_STANDIN_MAPS", "9");
    // Without "/s" the stand-in plays its nine maps (half a second) and writes nothing.
    ASSERT_TRUE(platform::startDetachedProcess(folder + u"/dflw.exe"_s, {}, folder, platform::kNormalPriorityClass));
    platform::sleepMilliseconds(1500);
    EXPECT_FALSE(QFile::exists(folder + u"/scores.txt"_s));
    const bool started = runGameStatEnabled(folder, false);
    qunsetenv("RANKHOLD_STANDIN_INTERVAL");
    qunsetenv("RANKHOLD_STANDIN_MAPS");
    ASSERT_TRUE(started);

    QElapsedTimer clock;
    clock.start();
    QByteArray scores;
    while (clock.elapsed() < 20000) {
        scores = readFile(folder + u"/scores.txt"_s);
        if (scores.count("Game Stats for Game: ") == 9 && scores.endsWith("\r\n\r\n"))
            break;
        platform::sleepMilliseconds(50);
    }
    EXPECT_EQ(scores.count("Game Stats for Game: "), 9);
    EXPECT_EQ(scores.count("\n"), scores.count("\r\n"));
    EXPECT_TRUE(scores.contains("  Game type: King of the Hill\r\n"));
    EXPECT_TRUE(scores.contains("  Game type: Capture the Flag\r\n  Winner: "));
    EXPECT_TRUE(scores.contains(" ABCDEFGHIJKLMNOPQRSTU "));
    EXPECT_TRUE(scores.contains("<b>Tom & Jerry</b>"));
}

TEST(GameLaunch, StoreGameFolderWritesTheRegistryOrFails)
{
    QTemporaryDir dir;
    platform::Registry store(dir.filePath(u"Rankhold/registry.ini"_s));
    GameFolderRecord::store(store, u"/srv/dflw server"_s);
    EXPECT_EQ(platform::Registry(store.fileName()).readString(platform::kDflwAppPathsKey, u"Path"_s),
              u"/srv/dflw server"_s);
    EXPECT_EQ(GameFolderRecord::read(store), u"/srv/dflw server"_s);

    writeFile(dir.filePath(u"blocker"_s), "x");
    try {
        platform::Registry blocked(dir.filePath(u"blocker/registry.ini"_s));
        GameFolderRecord::store(blocked, u"/srv"_s);
        FAIL() << "no error";
    } catch (const RankholdError &e) {
        EXPECT_EQ(e.message(), u"Failed to set data for 'Path'"_s);
    }
}
