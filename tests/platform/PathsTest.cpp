#include "platform/Paths.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

TEST(Paths, JoinIsPlainText)
{
    EXPECT_EQ(platform::joinPath(u"/srv/dflw"_s, u"scores.txt"_s), u"/srv/dflw/scores.txt"_s);
    EXPECT_EQ(platform::joinPath(QString(), u"dflw.exe"_s), u"/dflw.exe"_s);
    EXPECT_EQ(platform::joinPath(u"/a/../b/"_s, u"x"_s), u"/a/../b//x"_s);
}

TEST(Paths, MoveNeverOverwrites)
{
    QTemporaryDir dir;
    const QString from = dir.filePath(u"scores.txt"_s);
    const QString to = dir.filePath(u"oldscores/scores.1"_s);
    writeFile(from, "new");
    writeFile(to, "archived");
    EXPECT_FALSE(platform::moveFileNoReplace(from, to));
    EXPECT_EQ(readFile(from), QByteArray("new"));
    EXPECT_EQ(readFile(to), QByteArray("archived"));

    const QString free = dir.filePath(u"oldscores/scores.2"_s);
    EXPECT_TRUE(platform::moveFileNoReplace(from, free));
    EXPECT_FALSE(QFile::exists(from));
    EXPECT_EQ(readFile(free), QByteArray("new"));
    // A file that is gone does not move, and nothing appears.
    EXPECT_FALSE(platform::moveFileNoReplace(from, dir.filePath(u"oldscores/scores.3"_s)));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"oldscores/scores.3"_s)));
}

TEST(Paths, MoveAcrossFileSystems)
{
    QTemporaryDir shm(u"/dev/shm/rankhold-test-XXXXXX"_s);
    QTemporaryDir tmp;
    struct stat a {
    }, b{};
    if (!shm.isValid() || ::stat("/dev/shm", &a) != 0 || ::stat(QFile::encodeName(tmp.path()).constData(), &b) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    const QString from = shm.filePath(u"scores.txt"_s);
    const QByteArray content(200000, 'z');
    writeFile(from, content);
    writeFile(tmp.filePath(u"taken"_s), "keep");
    EXPECT_FALSE(platform::moveFileNoReplace(from, tmp.filePath(u"taken"_s)));
    EXPECT_EQ(readFile(tmp.filePath(u"taken"_s)), QByteArray("keep"));
    EXPECT_EQ(readFile(from), content);

    EXPECT_TRUE(platform::moveFileNoReplace(from, tmp.filePath(u"scores.1"_s)));
    EXPECT_FALSE(QFile::exists(from));
    EXPECT_EQ(readFile(tmp.filePath(u"scores.1"_s)), content);
}

// The pages' writers: a write the file system refuses part way (a full
// disk; here a bound on file sizes) leaves the old file whole, or no file.
TEST(Paths, AWriteCutShortLeavesTheOldFileOrNone)
{
    QTemporaryDir dir;
    const QString page = dir.filePath(u"page.html"_s);
    const QString temporary = page + u".tmp"_s;
    const QByteArray big(64 * 1024, 'x');
    EXPECT_EQ(platform::createFileWith(page, "old"), 0);
    EXPECT_EQ(platform::createFileWith(page, "other"), EEXIST);
    EXPECT_EQ(platform::readWholeFile(page, 3), std::optional<QByteArray>("old"));
    EXPECT_EQ(platform::readWholeFile(page, 4), std::nullopt);

    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit bound = before;
    bound.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &bound), 0);
    const int replaced = platform::replaceFileWith(page, temporary, big);
    const int created = platform::createFileWith(dir.filePath(u"new.html"_s), big);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(replaced, EFBIG);
    EXPECT_EQ(created, EFBIG);
    EXPECT_EQ(readFile(page), QByteArray("old"));
    EXPECT_FALSE(QFile::exists(temporary));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"new.html"_s)));
    EXPECT_EQ(platform::replaceFileWith(page, temporary, big), 0);
    EXPECT_EQ(readFile(page), big);
}
