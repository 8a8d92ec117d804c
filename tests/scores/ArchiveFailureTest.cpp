// An archive step that cannot do its job says so, loses nothing, and
// finishes the job once the cause is gone: the archive folder blocked by a
// file, read-only or full, the game folder read-only, and (silently, as the
// next round settles it) a file the game still holds open for writing.
#include "ScoreFixture.h"

#include "common/RankholdError.h"
#include "scores/ScoreArchive.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class ArchiveFailure : public ScoreFixture
{
protected:
    void TearDown() override
    {
        unmountAll();
        if (holder.state() != QProcess::NotRunning) {
            holder.kill();
            holder.waitForFinished();
        }
        ScoreFixture::TearDown();
    }

    QString archiveFolder() const { return programFolder + u"/oldscores"_s; }
    QString staged() const { return stagedScoreFile(scoreFile()); }

    // A tmpfs at `folder` (root only); empty on success, else why not.
    QString mountTmpfs(const QString &folder, const char *options)
    {
        if (::geteuid() != 0)
            return u"needs root to mount a tmpfs"_s;
        QDir().mkpath(folder);
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options) != 0)
            return u"cannot mount a tmpfs"_s;
        m_mounts.prepend(folder);
        return {};
    }
    void unmountAll()
    {
        for (const QString &point : std::as_const(m_mounts))
            ::umount2(QFile::encodeName(point).constData(), MNT_DETACH);
        m_mounts.clear();
    }
    // A folder the program may not write: root ignores permissions, so for
    // root a read-only file system of its own stands in for them.
    QString makeReadOnly(const QString &folder, bool readOnly)
    {
        if (::geteuid() != 0) {
            const auto mode =
                QFile::ReadOwner | QFile::ExeOwner | (readOnly ? QFile::Permissions() : QFile::WriteOwner);
            return QFile::setPermissions(folder, mode) ? QString() : u"cannot change permissions"_s;
        }
        if (readOnly && !m_mounts.contains(folder)) {
            const QString why = mountTmpfs(folder, "size=4m");
            if (!why.isEmpty())
                return why;
        }
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", flags, nullptr) == 0
                   ? QString()
                   : u"cannot remount"_s;
    }
    // What the system says to a write into such a folder.
    static QString deniedText() { return ::geteuid() == 0 ? u"Read-only file system"_s : u"Permission denied"_s; }

    QProcess holder;

private:
    QStringList m_mounts;
};

// Two blocks, about 60 KB: more than the smallest tmpfs holds.
QByteArray scores(int first)
{
    QByteArray out;
    for (int b = first; b < first + 2; ++b) {
        QList<QByteArray> players;
        for (int p = 0; p < 400; ++p)
            players.append(playerRow("P" + QByteArray::number(p), "1", "1", "1"));
        out += scoreBlock("M", "d", QByteArray::number(b), "Deathmatch", players);
    }
    return out;
}

} // namespace

TEST_F(ArchiveFailure, SaysWhyLosesNothingAndFinishesOnceTheCauseIsGone)
{
    struct Case {
        const char *what;
        std::function<QString()> block; // sets the cause up; why not, when it cannot
        std::function<QString()> heal;
        QString problem; // the sentence reported; empty: the file just waits for the next round
        bool stagedStays = false;
    };
    const QString gameFile = scoreFile();
    int blocks = 0;
    const auto couldNot = [](const QString &cause, const QString &file) {
        return u"%1 was imported but cannot be archived: %2. It stays where it is and is read again at every import"_s
            .arg(file, cause);
    };
    const QList<Case> cases = {
        {"the game holds the file open for writing",
         [&] {
             holder.start(u"/bin/sh"_s, {u"-c"_s, u"exec 3>>\"$1\"; echo open; exec sleep 60"_s, u"sh"_s, gameFile});
             return holder.waitForReadyRead(10000) ? QString() : u"no shell"_s;
         },
         [&] {
             holder.kill();
             holder.waitForFinished();
             return QString();
         },
         {}},
        {"a file named like the archive folder",
         [&] {
             QDir(archiveFolder()).removeRecursively();
             writeFile(archiveFolder(), "x");
             return QString();
         },
         [&] { return QFile::remove(archiveFolder()) ? QString() : u"cannot remove"_s; },
         couldNot(u"cannot create the folder %1 (a file has that name)"_s.arg(archiveFolder()), gameFile)},
        {"a game folder the program may not write",
         [&] {
             // (For root a new file system over the game folder: the file goes onto it first.)
             if (::geteuid() == 0) {
                 const QString why = mountTmpfs(gameFolder, "size=4m");
                 if (!why.isEmpty())
                     return why;
                 writeFile(gameFile, scores(blocks));
             }
             return makeReadOnly(gameFolder, true);
         },
         [&] { return makeReadOnly(gameFolder, false); },
         couldNot(u"cannot rename it to %1 (%2)"_s.arg(staged(), deniedText()), gameFile)},
        {"an archive folder the program may not write",
         [&] {
             QDir().mkpath(archiveFolder());
             return makeReadOnly(archiveFolder(), true);
         },
         [&] { return makeReadOnly(archiveFolder(), false); },
         couldNot(u"cannot move it to %1 (%2)"_s.arg(archived(1), deniedText()), staged()), true},
        {"a full archive folder on another file system", [&] { return mountTmpfs(archiveFolder(), "size=16k"); },
         [&] {
             return ::mount("tmpfs", QFile::encodeName(archiveFolder()).constData(), "tmpfs", MS_REMOUNT, "size=4m") ==
                            0
                        ? QString()
                        : u"cannot remount"_s;
         },
         couldNot(u"cannot move it to %1 (No space left on device)"_s.arg(archived(1)), staged()), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(gameFile, scores(blocks));
        const QString why = c.block();
        if (!why.isEmpty()) {
            std::cout << "[ skipped  ] " << c.what << ": " << why.toStdString() << "\n";
            QFile::remove(gameFile);
            continue;
        }
        const QByteArray written = readFile(gameFile);
        blocks += 2;

        const ImportOutcome first = commands.importScores();
        EXPECT_EQ(first.import.stored, 800);
        EXPECT_EQ(first.archiveProblem.toStdString(), c.problem.toStdString());
        EXPECT_EQ(readFile(c.stagedStays ? staged() : gameFile), written) << "the file stays, whole";
        EXPECT_FALSE(QFile::exists(c.stagedStays ? gameFile : staged()));
        EXPECT_TRUE(QDir(archiveFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << "nothing, not even half a copy, in the archive";

        ASSERT_TRUE(c.heal().isEmpty());
        const ImportOutcome second = commands.importScores();
        EXPECT_EQ(second.import.stored, 0);
        EXPECT_EQ(second.import.alreadyStored, 800);
        EXPECT_TRUE(second.archiveProblem.isEmpty()) << second.archiveProblem.toStdString();
        EXPECT_FALSE(QFile::exists(gameFile) || QFile::exists(staged()));
        EXPECT_EQ(readFile(archived(1)), written);
        QFile::remove(archived(1));
        unmountAll();
    }
    EXPECT_EQ(count(), qint64(blocks) * 400);
}
