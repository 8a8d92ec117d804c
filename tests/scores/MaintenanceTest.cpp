#include "ScoreFixture.h"

#include "common/RankholdError.h"
#include "scores/Maintenance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kCompactFailed =
    u"Unable to compact database\nMake sure the database is not being used\nand try again..."_s;

class Maintenance : public ScoreFixture
{
protected:
    void addPlayers(const QStringList &names)
    {
        QSqlDatabase connection = db.connection();
        ASSERT_TRUE(connection.transaction());
        QSqlQuery q(connection);
        ASSERT_TRUE(q.prepare(u"INSERT INTO player (Id, Player, Kills, Deaths, Ratio) VALUES (?, ?, 1, 1, 1.0)"_s));
        for (const QString &name : names) {
            q.addBindValue(u"id "_s + name);
            q.addBindValue(name);
            ASSERT_TRUE(q.exec()) << qPrintable(q.lastError().text());
        }
        ASSERT_TRUE(connection.commit());
    }
    QStringList players() { return rows(u"Player"_s); }
    // The filter boxes hold `filters` when the command runs.
    void deleteByFilters(const PlayerSql::Filters &filters, bool matching)
    {
        settings.filter1 = filters.f1;
        settings.filter2 = filters.f2;
        settings.filter3 = filters.f3;
        commands.deleteRecordsByFilters(matching);
    }
    QString repFile() const { return programFolder + u"/Rankhold_rep.mdb"_s; }
};

const QStringList kPlayers = {u"O\"Brien"_s, u"100%Pure"_s, u"100xPure"_s, u"x'); DROP TABLE player;--"_s,
                              u"AbCdef"_s,   u"zzz"_s,      u"a_b"_s,      u"axb"_s};

} // namespace

TEST_F(Maintenance, DeleteAllAsksFirst)
{
    addPlayers(kPlayers);
    db.close();
    host.answers = {false};
    commands.deleteAllRecords();
    EXPECT_EQ(host.questions, (QStringList{u"This will delete ALL records, are you sure ?"_s}));
    EXPECT_TRUE(host.activityTexts.isEmpty());
    EXPECT_FALSE(db.isOpen());

    commands.deleteAllRecords();
    EXPECT_EQ(host.activityTexts, (QStringList{u"Deleting all records"_s, kIdle}));
    EXPECT_EQ(host.repaints, 1);
    EXPECT_EQ(host.connectionText, kConnectionOpen);
    EXPECT_EQ(host.figures.records, u"0"_s);
    EXPECT_EQ(host.figures.players, u"0"_s);
    EXPECT_EQ(count(), 0);
}

TEST_F(Maintenance, FiltersAreMatchedAsTextWithWildcardsAndAnyCase)
{
    addPlayers(kPlayers);
    // Filter 2 empty does not stop filter 3; a quote and SQL are plain text.
    deleteByFilters({u"abc"_s, QString(), u"\""_s}, true);
    EXPECT_EQ(host.questions.last(), u"This will delete ALL records matching the filter(s), are you sure ?"_s);
    EXPECT_EQ(players(), (QStringList{u"100%Pure"_s, u"100xPure"_s, u"x'); DROP TABLE player;--"_s, u"zzz"_s, u"a_b"_s,
                                      u"axb"_s}));
    EXPECT_EQ(host.figureUpdates, 1);
    deleteByFilters({u"'); DROP TABLE player;--"_s, {}, {}}, true);
    EXPECT_EQ(players(), (QStringList{u"100%Pure"_s, u"100xPure"_s, u"zzz"_s, u"a_b"_s, u"axb"_s}));

    // '%' and '_' act as wildcards; the not-matching delete keeps the matches of any filter.
    deleteByFilters({u"0%p"_s, u"A_B"_s, {}}, false);
    EXPECT_EQ(host.questions.last(), u"This will delete ALL records NOT matching the filter(s), are you sure ?"_s);
    EXPECT_EQ(players(), (QStringList{u"100%Pure"_s, u"100xPure"_s, u"a_b"_s, u"axb"_s}));
    EXPECT_TRUE(host.activityTexts.isEmpty()) << "the filter deletes leave panel 1 alone";

    // Filter 1 empty: nothing happens after Yes.
    const int updates = host.figureUpdates;
    deleteByFilters({{}, u"100"_s, {}}, true);
    deleteByFilters({{}, u"100"_s, {}}, false);
    EXPECT_EQ(players().size(), 4);
    EXPECT_EQ(host.figureUpdates, updates);

    host.answers = {false};
    deleteByFilters({u"a"_s, {}, {}}, true);
    EXPECT_EQ(players().size(), 4);
}

TEST_F(Maintenance, CompactionKeepsEveryRowAndLeavesNoCopy)
{
    QStringList names;
    for (int i = 0; i < 2000; ++i)
        names.append(u"Player number %1 with a long name"_s.arg(i));
    addPlayers(names);
    ASSERT_NO_THROW(deleteByFilters({u"1"_s, {}, {}}, true));
    const QStringList kept = players();
    const qint64 before = QFileInfo(db.fileName()).size();
    writeFile(repFile(), "left over from an earlier run");
    host.activityTexts.clear();
    host.connectionTexts.clear();

    commands.compactDatabase();
    EXPECT_TRUE(host.messages.isEmpty()) << qPrintable(host.messages.join(u'/'));
    EXPECT_FALSE(QFile::exists(repFile()));
    EXPECT_EQ(QDir(programFolder).entryList(QDir::Files), QStringList{u"Rankhold.mdb"_s});
    EXPECT_LT(QFileInfo(db.fileName()).size(), before);
    EXPECT_EQ(players(), kept);
    EXPECT_EQ(host.connectionTexts.first(), kConnectionClosed);
    EXPECT_EQ(host.connectionText, kConnectionOpen);
    EXPECT_EQ(host.activityTexts, (QStringList{u"Compacting Database"_s, kIdle}));
    EXPECT_TRUE(db.isTableOpen());
    EXPECT_TRUE(db.dataSet(2).isOpen());
    EXPECT_EQ(host.figures.records, QString::number(kept.size()));
}

TEST_F(Maintenance, FailedCompactionKeepsTheOriginalInUse)
{
    addPlayers(kPlayers);
    const QByteArray original = readFile(db.fileName());

    // The copy's name is held by a folder that cannot be removed: trying
    // again does not help, so the message adds what stood in the way.
    writeFile(repFile() + u"/busy"_s, "x");
    commands.compactDatabase();
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages.at(0).startsWith(kCompactFailed + u"\n("_s)) << qPrintable(host.messages.at(0));
    EXPECT_EQ(readFile(db.fileName()), original);
    EXPECT_EQ(players(), kPlayers);
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(host.connectionText, kConnectionOpen);
    EXPECT_EQ(host.activityText, kIdle);
    QDir(repFile()).removeRecursively();

    // Another program in the middle of writing: its rows are not lost to the old file.
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        other.setDatabaseName(db.fileName());
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(u"BEGIN IMMEDIATE"_s));
        ASSERT_TRUE(q.exec(u"INSERT INTO player (Id, Player) VALUES ('late', 'Late')"_s));
        commands.compactDatabase();
        EXPECT_EQ(host.messages.size(), 2);
        EXPECT_FALSE(QFile::exists(repFile()));
        ASSERT_TRUE(q.exec(u"COMMIT"_s));
        q = QSqlQuery();
        other.close();
    }
    QSqlDatabase::removeDatabase(u"other"_s);
    EXPECT_EQ(players(), kPlayers + QStringList{u"Late"_s});
}

TEST_F(Maintenance, CompactionFailsWhileAnotherProgramHasTheDatabaseOpen)
{
    addPlayers(kPlayers);
    const QByteArray original = readFile(db.fileName());
    // Open and idle, as a running watch or a second window keeps it.
    PlayerDatabase other;
    other.setFileName(db.fileName());
    other.open();
    commands.compactDatabase();
    EXPECT_EQ(host.messages, QStringList{kCompactFailed});
    EXPECT_EQ(readFile(db.fileName()), original);
    EXPECT_FALSE(QFile::exists(repFile()));
    // The other program goes on with the database it has open.
    other.execute({u"INSERT INTO player (Id, Player) VALUES ('late', 'Late')"_s, {}});

    other.close();
    commands.compactDatabase();
    EXPECT_EQ(host.messages.size(), 1);
    EXPECT_EQ(players(), kPlayers + QStringList{u"Late"_s});
}

TEST_F(Maintenance, DatabaseReplacedUnderAnOpenConnectionIsOpenedAgain)
{
    addPlayers({u"Before"_s});
    // Another program puts a copy in its place (a restore, or a compaction
    // while this one had the connection closed and then opened it again).
    const QString copy = programFolder + u"/restored.mdb"_s;
    ASSERT_TRUE(QFile::copy(db.fileName(), copy));
    ASSERT_EQ(std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(db.fileName()).constData()), 0);
    // Without opening it again the engine refuses: "attempt to write a readonly database".
    writeFile(scoreFile(), scoreBlock("A", "d", "t", "Deathmatch", {playerRow("After", "1", "1", "1")}));
    ASSERT_NO_THROW(import());
    EXPECT_EQ(players(), (QStringList{u"Before"_s, u"After                "_s}));
    EXPECT_EQ(host.connectionText, kConnectionOpen);
}

TEST_F(Maintenance, CompactionOnAFullDiskSaysSo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs as the program folder";
    QTemporaryDir small;
    const QByteArray point = QFile::encodeName(small.path());
    if (::mount("tmpfs", point.constData(), "tmpfs", 0, "size=8m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (a container without the right to mount?)";
    const auto unmount = qScopeGuard([&] { ::umount2(point.constData(), MNT_DETACH); });
    state.programFolder = ProgramFolder(small.path());
    db.setFileName(state.programFolder.databaseFile());
    makeEmptyDatabase(db.fileName());
    QStringList names;
    for (int i = 0; i < 3000; ++i)
        names.append(u"Player number %1 with a long name"_s.arg(i));
    addPlayers(names);
    // Then the disk fills up: half the database's size is left, too little for the copy.
    const qint64 size = QFileInfo(db.fileName()).size();
    const QByteArray full = "size=" + QByteArray::number((size + size / 2) / 1024 + 1) + "k";
    ASSERT_EQ(::mount("tmpfs", point.constData(), "tmpfs", MS_REMOUNT, full.constData()), 0);
    const QByteArray original = readFile(db.fileName());

    commands.compactDatabase();
    EXPECT_EQ(host.messages, QStringList{kCompactFailed + u"\n(database or disk is full)"_s});
    EXPECT_EQ(readFile(db.fileName()), original);
    EXPECT_EQ(QDir(small.path()).entryList(QDir::Files), QStringList{u"Rankhold.mdb"_s});
    EXPECT_EQ(players().size(), names.size());
}
