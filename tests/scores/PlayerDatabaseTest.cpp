#include "scores/PlayerDatabase.h"
#include "common/RankholdError.h"
#include "scores/DatabaseInfo.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void insertRow(PlayerDatabase &db, const QString &id, const QString &player, int kills)
{
    QSqlQuery q(db.connection());
    ASSERT_TRUE(q.prepare(u"INSERT INTO player (Id, Player, Kills, Deaths, Ratio) VALUES (?, ?, ?, 0, 1.0)"_s));
    q.addBindValue(id);
    q.addBindValue(player);
    q.addBindValue(kills);
    ASSERT_TRUE(q.exec());
}

} // namespace

TEST(PlayerDatabase, MissingOrForeignFileFailsWithoutCreatingAnything)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Rankhold.mdb"_s);
    PlayerDatabase db;
    db.setFileName(path);
    QStringList changes;
    db.setConnectionListener([&](bool open) { changes.append(open ? u"open"_s : u"closed"_s); });
    EXPECT_THROW(db.open(), RankholdError);
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(QFile::exists(path)) << "opening must never create the database";

    writeFile(path, QByteArray(4096, 'x'));
    try {
        db.open();
        FAIL() << "a file that is not a database opened";
    } catch (const RankholdError &e) {
        EXPECT_TRUE(e.message().contains(u"not a database"_s)) << qPrintable(e.message());
    }
    EXPECT_FALSE(db.isOpen());
    EXPECT_TRUE(changes.isEmpty());
}

TEST(PlayerDatabase, FiguresCountRowsPlayersAndRoundTheSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Rankhold.mdb"_s);
    makeEmptyDatabase(path);
    PlayerDatabase db;
    db.setFileName(path);
    RecordingHost host;
    DatabaseFigures empty = UpdateDBInfo(db, {}, host);
    EXPECT_EQ(empty.records, u"0"_s);
    EXPECT_EQ(empty.players, u"0"_s);
    EXPECT_TRUE(db.isOpen()) << "the refresh opens a closed connection";

    for (int i = 0; i < 10; ++i)
        insertRow(db, u"id%1"_s.arg(i), i % 3 == 0 ? u"Alpha"_s : (i % 3 == 1 ? u"Bravo"_s : u"Charlie"_s), i);
    const DatabaseFigures figures = UpdateDBInfo(db, {}, host);
    EXPECT_EQ(figures.records, u"10"_s);
    EXPECT_EQ(figures.players, u"3"_s);
    const qint64 size = QFileInfo(path).size();
    EXPECT_EQ(figures.fileSize, QString::number(qRound64(double(size) / 1024.0)) + u" KB"_s);
    EXPECT_EQ(host.figures.records, u"10"_s);
}

TEST(PlayerDatabase, OpenCloseCommandTogglesAndReportsEveryChange)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Rankhold.mdb"_s);
    makeEmptyDatabase(path);
    PlayerDatabase db;
    db.setFileName(path);
    QStringList changes;
    db.setConnectionListener([&](bool open) { changes.append(open ? u"open"_s : u"closed"_s); });
    toggleConnection(db);
    EXPECT_TRUE(db.isOpen());
    EXPECT_TRUE(db.isTableOpen());
    EXPECT_TRUE(db.dataSet(2).isOpen());
    toggleConnection(db);
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(db.isTableOpen());
    EXPECT_FALSE(db.dataSet(2).isOpen());
    toggleConnection(db);
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(changes, (QStringList{u"open"_s, u"closed"_s, u"open"_s}));
}
