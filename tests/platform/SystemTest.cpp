#include "platform/System.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/utsname.h>

using namespace Qt::StringLiterals;

TEST(System, FiguresOfThisMachine)
{
    const platform::MemoryStatus memory = platform::memoryStatus();
    EXPECT_GT(memory.totalPhysicalBytes, 64ull * 1024 * 1024);
    EXPECT_GE(memory.memoryLoadPercent, 0);
    EXPECT_LE(memory.memoryLoadPercent, 100);
    EXPECT_GT(platform::freeSpaceOfCurrentDrive(), 0);

    const platform::OsVersion version = platform::osVersion();
    utsname names{};
    ASSERT_EQ(::uname(&names), 0);
    EXPECT_FALSE(version.windows);
    EXPECT_TRUE(QByteArray(names.release)
                    .startsWith(QByteArray::number(version.major) + '.' + QByteArray::number(version.minor)));
}

TEST(System, PriorityClassesReadBackWhenGranted)
{
    const int original = platform::processPriorityClass();
    if (platform::setProcessPriorityClass(platform::kHighPriorityClass)) {
        EXPECT_EQ(platform::processPriorityClass(), platform::kHighPriorityClass);
    }
    if (platform::setProcessPriorityClass(platform::kNormalPriorityClass)) {
        EXPECT_EQ(platform::processPriorityClass(), platform::kNormalPriorityClass);
    }
    platform::setProcessPriorityClass(original);
}

TEST(System, StartsOnlyWhatCanRun)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"game folder"_s);
    const QString script = folder + u"/tool"_s;
    writeFile(script, "#!/bin/sh\necho \"$1\" > started.txt\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);

    EXPECT_FALSE(platform::startDetachedProcess(folder + u"/missing"_s, {}, folder, platform::kNormalPriorityClass));
    EXPECT_FALSE(
        platform::startDetachedProcess(script, {}, folder + u"/no such folder"_s, platform::kNormalPriorityClass));

    ASSERT_TRUE(platform::startDetachedProcess(script, {u"a b"_s}, folder, platform::kNormalPriorityClass));
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(folder + u"/started.txt"_s) && clock.elapsed() < 10000)
        platform::sleepMilliseconds(10);
    platform::sleepMilliseconds(50);
    EXPECT_EQ(readFile(folder + u"/started.txt"_s), QByteArray("a b\n"));
}
