#include "platform/FileLock.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using platform::FileLock;

TEST(FileLock, SharedHoldersKeepTheExclusiveOneOut)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Rankhold.mdb"_s);
    writeFile(path, "db");

    FileLock first = FileLock::acquire(path, FileLock::Mode::Shared, 0);
    FileLock second = FileLock::acquire(path, FileLock::Mode::Shared, 0);
    ASSERT_TRUE(first.isHeld() && second.isHeld());
    int error = 0;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(FileLock::acquire(path, FileLock::Mode::Exclusive, 100, &error).isHeld());
    EXPECT_EQ(error, EWOULDBLOCK);
    EXPECT_GE(clock.elapsed(), 100) << "it waited as long as it was told";
    first.release();
    EXPECT_FALSE(FileLock::acquire(path, FileLock::Mode::Exclusive, 0).isHeld());
    second.release();

    FileLock alone = FileLock::acquire(path, FileLock::Mode::Exclusive, 0);
    ASSERT_TRUE(alone.isHeld());
    EXPECT_FALSE(FileLock::acquire(path, FileLock::Mode::Shared, 0).isHeld());
    alone.release();
    EXPECT_TRUE(FileLock::acquire(path, FileLock::Mode::Shared, 0).isHeld());

    // A missing file locks nothing, and says why.
    EXPECT_FALSE(FileLock::acquire(dir.filePath(u"none"_s), FileLock::Mode::Shared, 0, &error).isHeld());
    EXPECT_EQ(error, ENOENT);
}

TEST(FileLock, FileReplacedUnderTheLockIsNoticed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Rankhold.mdb"_s);
    writeFile(path, "old");
    const FileLock lock = FileLock::acquire(path, FileLock::Mode::Shared, 0);
    ASSERT_TRUE(lock.isHeld());
    EXPECT_FALSE(lock.isReplacedAt(path));
    writeFile(dir.filePath(u"copy"_s), "new");
    ASSERT_TRUE(QFile::remove(path) && QFile::rename(dir.filePath(u"copy"_s), path));
    EXPECT_TRUE(lock.isReplacedAt(path));
    // The new file is free: the old lock guards nothing any more.
    EXPECT_TRUE(FileLock::acquire(path, FileLock::Mode::Exclusive, 0).isHeld());
}
