// Game files that anyone who can write the game folder may have planted: a
// FIFO, a link to an endless device, a file far larger than any real one, a
// number field of megabytes. Each gets a clear error at once, and an error
// never quotes more than a short piece of a hostile value.
#include "ScoreFixture.h"

#include "common/RankholdError.h"
#include "gamecfg/GameConfigFile.h"
#include "scores/ScoreImport.h"

#include <QFile>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// A file that claims `size` bytes without taking them on disk.
void makeSparse(const QString &path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(size));
}

} // namespace

TEST_F(ScoreFixture, HostileFilesAreRefusedWithAClearError)
{
    const QString config = GameConfigFile::configPath(gameFolder);
    struct Case {
        const char *what;
        QString file;
        std::function<void(const QString &)> plant;
        QString reason; // after "Cannot open file NAME"
    };
    const QList<Case> cases = {
        {"a FIFO as scores.txt (would wait for a writer for ever)", scoreFile(),
         [](const QString &path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0); },
         u": not a regular file"_s},
        {"scores.txt linked to /dev/zero (would read until memory runs out)", scoreFile(),
         [](const QString &path) { ASSERT_TRUE(QFile::link(u"/dev/zero"_s, path)); }, u": not a regular file"_s},
        {"a score file of 513 MB", scoreFile(), [](const QString &path) { makeSparse(path, qint64(513) << 20); },
         u": larger than 512 MB, far more than such a file ever holds"_s},
        {"a FIFO as dflw.cfg", config,
         [](const QString &path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0); },
         u": not a regular file"_s},
        {"a dflw.cfg of 17 MB", config, [](const QString &path) { makeSparse(path, qint64(17) << 20); },
         u": larger than 16 MB, far more than such a file ever holds"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(c.file);
        c.plant(c.file);
        const QString error = errorMessageOf([&] {
            if (c.file == config) {
                GameSettingsValues values;
                GameConfigFile().load(c.file, values);
            } else {
                import();
            }
        });
        EXPECT_EQ(error.toStdString(), (u"Cannot open file "_s + c.file + c.reason).toStdString());
        EXPECT_TRUE(QFileInfo::exists(c.file) || QFileInfo(c.file).isSymLink()) << "a refused file stays";
        QFile::remove(c.file);
    }
    EXPECT_EQ(count(), 0);
}

TEST_F(ScoreFixture, HugeNumberFieldIsQuotedCutShort)
{
    const QByteArray huge(5'000'000, '7');
    const QByteArray row = "      Bad                  1   " + huge + "x   1";
    writeFile(scoreFile(), scoreBlock("A", "d", "t", "Deathmatch", {row}));
    try {
        import();
        FAIL() << "the import did not fail";
    } catch (const RankholdError &e) {
        const QString shown = QString::fromLatin1(huge.left(60));
        EXPECT_EQ(
            e.message().toStdString(),
            (u"'"_s + shown + u"[... cut, 5000001 characters in all]' is not a valid integer value"_s).toStdString());
        // Where it happened: the line, cut by the same rule.
        EXPECT_EQ(e.context().toStdString(), (scoreFile() + u", line 5: '"_s + QString::fromLatin1(row.left(60)) +
                                              u"[... cut, 5000036 characters in all]'"_s)
                                                 .toStdString());
    }
    EXPECT_TRUE(QFile::exists(scoreFile()));
}
