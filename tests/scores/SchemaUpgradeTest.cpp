// A database made before the totals and the names' tables existed gets them
// the first time it is opened, and its pages stay what they were.
#include "ScoreFixture.h"

#include "common/ProgramFolder.h"
#include "scores/DatabaseSchema.h"

#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

void sqlite3(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(u"sqlite3"_s, {file, sql});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData() << qPrintable(sql);
}

QString sqlite3Output(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(u"sqlite3"_s, {file, sql});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The schema as the program made it before versions: the first section.
void makeVersion0(const QString &file)
{
    QString sql;
    for (const QString &statement : DatabaseSchema::sections().front().statements)
        sql += statement;
    sqlite3(file, sql);
}

class SchemaUpgrade : public ScoreFixture
{
protected:
    QList<QByteArray> exportPages()
    {
        settings.rankKills = settings.rankDeaths = settings.rankFlags = settings.rankZonetime = true;
        settings.rankTargets = settings.rankRatio = settings.top10 = true;
        commands.exportStats();
        QList<QByteArray> pages;
        for (const ProgramFolder::Page page : ProgramFolder::kPages)
            pages.append(readFile(state.programFolder.pagePath(page)));
        return pages;
    }
};

} // namespace

TEST_F(SchemaUpgrade, OldDatabaseGetsTheTotalsOnFirstOpenAndTheSamePages)
{
    writeFile(scoreFile(),
              scoreBlock("Map", "01/02/03", "10:00:00", "Capture the Flag",
                         {playerRow("Alpha", "3", "10", "2"), playerRow("Bravo", "1", "10", "2")}) +
                  scoreBlock("Map", "01/02/03", "11:00:00", "King of the Hill",
                             {playerRow("Alpha", "1:30", "4", "0"), playerRow("Charlie", "0:05", "1", "3")}) +
                  scoreBlock("Map", "01/02/03", "12:00:00", "", {playerRow("Delta", "0", "7", "1")}));
    ASSERT_TRUE(import());
    const QString current = state.programFolder.databaseFile();
    // Rows another program wrote: no player, no numbers.
    db.close();
    sqlite3(current, u"INSERT INTO player (Id, Player, Kills) VALUES ('x1', NULL, 5), ('x2', 'Echo', NULL);"_s);
    const QList<QByteArray> expected = exportPages();
    db.close();

    const QString old = dir.filePath(u"old.mdb"_s);
    makeVersion0(old);
    sqlite3(old, u"ATTACH '%1' AS now; INSERT INTO player SELECT * FROM now.player;"_s.arg(current));
    EXPECT_EQ(sqlite3Output(old, u"PRAGMA user_version; SELECT count(*) FROM sqlite_master WHERE name LIKE "
                                 "'player_totals%';"_s),
              u"0\n0"_s);
    ASSERT_TRUE(QFile::remove(current));
    ASSERT_TRUE(QFile::copy(old, current));

    EXPECT_EQ(exportPages(), expected);
    db.close();
    EXPECT_EQ(sqlite3Output(current, u"PRAGMA user_version; SELECT group_concat(name) FROM sqlite_master WHERE "
                                     "name LIKE 'player_names%';"_s),
              QString::number(DatabaseSchema::latestVersion()) + u"\nplayer_names,player_names_log"_s);
    // The triggers came with it: a later row counts.
    sqlite3(current, u"INSERT INTO player (Id, Player, Kills, Ratio) SELECT 'x3', Player, 1, 9.5 FROM player "
                     "WHERE Id LIKE '01/02/03 10:00:00 Alpha%';"_s);
    EXPECT_EQ(
        sqlite3Output(current, u"SELECT Games, Kills, BestRatio FROM player_totals WHERE rtrim(Player) = 'Alpha';"_s),
        u"3|15|9.5"_s);
}

TEST_F(SchemaUpgrade, FileWithoutThePlayerTableIsLeftAlone)
{
    db.close();
    const QString file = state.programFolder.databaseFile();
    ASSERT_TRUE(QFile::remove(file));
    sqlite3(file, u"CREATE TABLE other (x);"_s);
    db.open();
    EXPECT_TRUE(db.isOpen());
    db.close();
    EXPECT_EQ(sqlite3Output(file, u"PRAGMA user_version; SELECT group_concat(name) FROM sqlite_master;"_s),
              u"0\nother"_s);
}
