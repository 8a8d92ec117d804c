#include "ScoreFixture.h"

#include "common/RankholdError.h"
#include "scores/ScoreImport.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kAll = u"Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, Zonetime, Flags, "
                     "Targets"_s;

const QStringList kChainTexts = {u"Exporting HTML"_s, kIdle, u"FTP: Starting"_s, u"FTP: Wrong user or password"_s};

// The import with the export and upload chained after it; the upload goes to
// a port where nothing listens, so it fails at once.
class ScoreImport : public ScoreFixture
{
protected:
    void SetUp() override
    {
        ScoreFixture::SetUp();
        settings.chainAfterImport = true;
        settings.ftpServer = u"127.0.0.1:1"_s;
        host.onActivityText = [this](const QString &text) {
            if (text != u"Exporting HTML"_s)
                return;
            ++chainRuns;
            chainSawFile = QFile::exists(scoreFile());
            if (duringChain)
                duringChain();
        };
    }
    // Runs the import and returns the message it ended with.
    QString failingImport()
    {
        try {
            import();
        } catch (const RankholdError &e) {
            return e.message();
        }
        ADD_FAILURE() << "the import did not fail";
        return {};
    }

    int chainRuns = 0;
    bool chainSawFile = false;
    std::function<void()> duringChain;
};

} // namespace

TEST_F(ScoreImport, TwoBlocksInFileOrderThenArchivedAndNeverTwice)
{
    const QByteArray file =
        "junk before any block\r\n" +
        scoreBlock("Canyon", "03/15/02", "21:04:11", "Capture the Flag",
                   {playerRow("Raptor", "12", "7", "2"), playerRow("Ghost", "3", "5", "0")}) +
        scoreBlock("Delta", "03/15/02", "21:30:00", "Deathmatch", {playerRow("Raptor", "40", "9", "4")});
    writeFile(scoreFile(), file);

    ASSERT_TRUE(import());
    EXPECT_EQ(rows(kAll), (QStringList{
                              u"03/15/02 21:04:11 Raptor               |Raptor               |7|2|Canyon|Capture the "
                              "Flag|03/15/02|21:04:11|Blue Team|3.5|NULL|NULL|12|NULL"_s,
                              u"03/15/02 21:04:11 Ghost                |Ghost                |5|0|Canyon|Capture the "
                              "Flag|03/15/02|21:04:11|Blue Team|5|NULL|NULL|3|NULL"_s,
                              u"03/15/02 21:30:00 Raptor               |Raptor               "
                              "|9|4|Delta|Deathmatch|03/15/02|21:30:00|None|2.25|40|NULL|NULL|NULL"_s,
                          }));
    EXPECT_EQ(host.activityTexts, QStringList({u"Importing Scores.txt"_s, kIdle}) + kChainTexts);
    EXPECT_GE(host.repaints, 1);
    EXPECT_EQ(host.connectionText, kConnectionOpen);
    EXPECT_EQ(host.figures.records, u"3"_s);
    EXPECT_EQ(host.figures.players, u"2"_s);
    EXPECT_TRUE(db.dataSet(2).isOpen());
    EXPECT_EQ(host.progress, 0);
    EXPECT_EQ(chainRuns, 1);
    EXPECT_TRUE(chainSawFile) << "the chain runs before the file is archived";
    EXPECT_FALSE(QFile::exists(scoreFile()));
    EXPECT_EQ(readFile(archived(1)), file);

    // The game (or a failed move) puts the same file back: nothing is added.
    writeFile(scoreFile(), file);
    ASSERT_TRUE(import());
    EXPECT_EQ(count(), 3);
    EXPECT_TRUE(QFile::exists(archived(2)));
}

TEST_F(ScoreImport, EveryGameTypeFillsItsColumn)
{
    const QByteArray file =
        scoreBlock("Hill", "01/02/03", "10:00:00", "King of the Hill", {playerRow("Kim", "12:34", "4", "0")}) +
        scoreBlock("Hill2", "01/02/03", "10:10:00", "Team King of the Hill", {playerRow("Kim", "3:05", "3", "4")},
                   "Red Team") +
        scoreBlock("Coop", "01/02/03", "10:20:00", "", {playerRow("Kim", "77", "6", "2")}) +
        scoreBlock("Sd", "01/02/03", "10:30:00", "Search and Destroy", {playerRow("Kim", "2", "0", "0")}) +
        scoreBlock("Ad", "01/02/03", "10:40:00", "Attack and Defend", {playerRow("Kim", "5", "1", "1")}) +
        scoreBlock("Pr", "01/02/03", "10:50:00", "PennantRush", {playerRow("Kim", "6", "1", "1")}) +
        scoreBlock("Td", "01/02/03", "11:00:00", "Team Deathmatch", {playerRow("Kim", "8", "1", "1")}) +
        scoreBlock("Ff", "01/02/03", "11:10:00", "team deathmatch", {playerRow("Kim", "9", "1", "1")});
    writeFile(scoreFile(), file);
    ASSERT_TRUE(import());
    EXPECT_EQ(rows(u"Game, Gametype, Winner, Kills, Deaths, Ratio, Score, Zonetime, Flags, Targets"_s),
              (QStringList{
                  u"Hill|King of the Hill|None|4|0|4|NULL|754|NULL|NULL"_s,
                  u"Hill2|Team King of the Hill|Red Team|3|4|0.75|NULL|185|NULL|NULL"_s,
                  u"Coop|Cooperative|None|6|2|3|NULL|NULL|NULL|NULL"_s,
                  u"Sd|Search and Destroy|Blue Team|0|0|0|NULL|NULL|NULL|2"_s,
                  u"Ad|Attack and Defend|Blue Team|1|1|1|NULL|NULL|NULL|5"_s,
                  u"Pr|PennantRush|Blue Team|1|1|1|NULL|NULL|6|NULL"_s,
                  u"Td|Team Deathmatch|Blue Team|1|1|1|8|NULL|NULL|NULL"_s,
                  u"Ff|team deathmatch|Blue Team|1|1|1|NULL|NULL|NULL|NULL"_s,
              }));
}

TEST_F(ScoreImport, NamesLineBreaksAndCodePage)
{
    // Mixed line ends; a blank name, a full 21-character name, a name with
    // leading blanks and one in Windows-1252.
    QByteArray file = "Game Stats for Game: Bridge\rPlayed: 12/31/01, 23:59:59\n  Game type: Deathmatch\r\n"
                      "heading\n" +
                      playerRow("", "1", "1", "1") + "\r" + playerRow("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "1", "2", "1") +
                      "\n" + playerRow("   Lead", "1", "3", "1") + "\r\n" + playerRow("Jos\xe9 \x80", "1", "4", "1") +
                      "\r\n\r\n";
    writeFile(scoreFile(), file);
    ASSERT_TRUE(import());
    const QString stamp = u"12/31/01 23:59:59 "_s;
    const QStringList names = {u" "_s, u"ABCDEFGHIJKLMNOPQRSTU"_s, u"Lead"_s.leftJustified(18),
                               u"Jos\u00e9 \u20ac"_s.leftJustified(21)};
    QStringList expected;
    for (qsizetype i = 0; i < names.size(); ++i)
        expected.append(stamp + names[i] + u'|' + names[i] + u'|' + QString::number(i + 1));
    EXPECT_EQ(rows(u"Id, Player, Kills"_s), expected);
}

TEST_F(ScoreImport, ProgressFollowsTheRowLineAndRoundsHalfToEven)
{
    // 40 lines: R = round(100 / 40 = 2.5) = 2, rows end at lines 5..7.
    QByteArray file =
        scoreBlock("M", "d", "t", "Deathmatch",
                   {playerRow("A", "1", "1", "1"), playerRow("B", "1", "1", "1"), playerRow("C", "1", "1", "1")});
    for (int i = 0; i < 32; ++i)
        file += "filler\r\n";
    writeFile(scoreFile(), file);
    ASSERT_TRUE(import());
    EXPECT_EQ(host.progressValues, (QList<int>{10, 12, 14, 0}));

    // 60 lines: R = round(1.67) = 2; rows end at lines 45..58, the bar stops at 100.
    host.progressValues.clear();
    QList<QByteArray> players;
    for (int i = 0; i < 14; ++i)
        players.append(playerRow("P" + QByteArray::number(i), "1", "1", "1"));
    file = QByteArray("filler\r\n").repeated(40) + scoreBlock("M", "x", "y", "Deathmatch", players) + "filler\r\n";
    writeFile(scoreFile(), file);
    ASSERT_TRUE(import());
    EXPECT_EQ(host.progressValues, (QList<int>{90, 92, 94, 96, 98, 100, 0}));

    // 400 lines: the step rounds to 0; the bar shows the share of lines read
    // (rows at lines 4..397), rising to 99 before it goes back to 0.
    host.progressValues.clear();
    players.clear();
    for (int i = 0; i < 394; ++i)
        players.append(playerRow("Q" + QByteArray::number(i), "1", "1", "1"));
    writeFile(scoreFile(), scoreBlock("M", "x", "z", "Deathmatch", players) + "filler\r\n");
    ASSERT_TRUE(import());
    ASSERT_GE(host.progressValues.size(), 90);
    EXPECT_EQ(host.progressValues.first(), 1);
    EXPECT_EQ(host.progressValues.at(host.progressValues.size() - 2), 99);
    EXPECT_TRUE(std::is_sorted(host.progressValues.begin(), host.progressValues.end() - 1));
}

TEST_F(ScoreImport, MissingAndEmptyFiles)
{
    EXPECT_FALSE(import());
    EXPECT_TRUE(db.isTableOpen()) << "the table is opened even when there is nothing to import";
    EXPECT_EQ(host.connectionText, kConnectionOpen);
    EXPECT_TRUE(host.activityTexts.isEmpty());
    EXPECT_EQ(chainRuns, 0);
    EXPECT_EQ(host.figureUpdates, 0);

    writeFile(scoreFile(), {});
    EXPECT_TRUE(import());
    EXPECT_EQ(chainRuns, 1);
    EXPECT_EQ(host.figureUpdates, 1);
    EXPECT_EQ(host.figures.records, u"0"_s);
    EXPECT_TRUE(QFile::exists(archived(1)));
    EXPECT_FALSE(QFile::exists(scoreFile()));
}

TEST_F(ScoreImport, ArchiveTakesTheFirstFreeNumber)
{
    for (int n : {1, 3, 4})
        writeFile(archived(n), "old " + QByteArray::number(n));
    writeFile(scoreFile(), "new");
    ASSERT_TRUE(import());
    EXPECT_EQ(readFile(archived(2)), "new");
    for (int n : {1, 3, 4})
        EXPECT_EQ(readFile(archived(n)), "old " + QByteArray::number(n));
    EXPECT_FALSE(QFile::exists(archived(5)));

    // A name taken by a folder is skipped rather than overwritten.
    QDir().mkpath(archived(5));
    writeFile(scoreFile(), "newer");
    ASSERT_TRUE(import());
    EXPECT_EQ(readFile(archived(6)), "newer");
}

TEST_F(ScoreImport, FailuresKeepTheRowsBeforeAndTheFile)
{
    const QByteArray good = scoreBlock("A", "d1", "t1", "Deathmatch", {playerRow("One", "1", "1", "1")});
    struct Case {
        QByteArray tail;
        QString message;
    };
    const QList<Case> cases = {
        // Cut off after the type line of the block that starts at line 6.
        {"Game Stats for Game: B\r\nPlayed: d2, t2\r\n  Game type: Team Deathmatch\r\n",
         u"List index out of bounds (9)"_s},
        // No empty line after the last row (lines 6..10).
        {"Game Stats for Game: B\r\nPlayed: d2, t2\r\n  Game type: Deathmatch\r\nh\r\n" +
             playerRow("Two", "1", "1", "1") + "\r\n",
         u"List index out of bounds (11)"_s},
        // The game is still writing the last row (it will read 12 deaths): it is not stored.
        {"Game Stats for Game: B\r\nPlayed: d2, t2\r\n  Game type: Deathmatch\r\nh\r\n" +
             playerRow("Two", "1", "1", "1") + "\r\n" + playerRow("Bad", "1", "1", "1"),
         u"List index out of bounds (12)"_s},
        {scoreBlock("B", "d2", "t2", "Deathmatch", {playerRow("Two", "1", "2", "1"), playerRow("Bad", "1", "7x", "1")}),
         u"'7x' is not a valid integer value"_s},
        {scoreBlock("B", "d2", "t2", "Deathmatch", {playerRow("Two", "1", "2", "1"), playerRow("Bad", "1", "7", "1 ")}),
         u"'1 ' is not a valid integer value"_s},
        {scoreBlock("B", "d2", "t2", "King of the Hill",
                    {playerRow("Two", "1:00", "2", "1"), playerRow("Bad", "3:x5", "7", "1")}),
         u"'x5' is not a valid integer value"_s},
        // Decimal only: the hex forms of the general conversion are not numbers here.
        {scoreBlock("B", "d2", "t2", "King of the Hill",
                    {playerRow("Two", "1:00", "2", "1"), playerRow("Bad", "$A:00", "7", "1")}),
         u"'$A' is not a valid integer value"_s},
        {scoreBlock("B", "d2", "t2", "Deathmatch",
                    {playerRow("Two", "1", "2", "1"), playerRow("Bad", "1", "0x7", "1")}),
         u"'0x7' is not a valid integer value"_s},
        {scoreBlock("B", "d2", "t2", "Capture the Flag",
                    {playerRow("Two", "1", "2", "1"), playerRow("Bad", "many", "7", "1")}),
         u"cannot store TEXT value in INTEGER column player.Flags"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        PlayerSql::Statement wipe{u"DELETE FROM player"_s, {}};
        db.execute(wipe);
        writeFile(scoreFile(), good + c.tail);
        chainRuns = 0;
        EXPECT_EQ(failingImport(), c.message);
        QStringList stored = rows(u"Player"_s);
        EXPECT_TRUE(stored.startsWith(u"One                  "_s));
        EXPECT_FALSE(stored.contains(u"Bad                  "_s));
        EXPECT_EQ(chainRuns, 0);
        EXPECT_TRUE(QFile::exists(scoreFile())) << "a failed import is not archived";
        EXPECT_FALSE(QFile::exists(archived(1)));
    }
    EXPECT_EQ(rows(u"Player"_s), (QStringList{u"One                  "_s, u"Two                  "_s}));

    // Once the file is mended, the next import adds only what is missing.
    writeFile(scoreFile(), good + scoreBlock("B", "d2", "t2", "Capture the Flag",
                                             {playerRow("Two", "1", "2", "1"), playerRow("Bad", "4", "7", "1")}));
    ASSERT_TRUE(import());
    EXPECT_EQ(rows(u"Player"_s),
              (QStringList{u"One                  "_s, u"Two                  "_s, u"Bad                  "_s}));
}

TEST_F(ScoreImport, UnreadableFileEndsWithItsName)
{
    // Reading /proc/self/mem from offset 0 fails, whoever we run as.
    ASSERT_TRUE(QFile::link(u"/proc/self/mem"_s, scoreFile()));
    EXPECT_EQ(failingImport(), u"Cannot open file "_s + scoreFile());
    EXPECT_EQ(count(), 0);
}

TEST_F(ScoreImport, BlockWrittenDuringTheChainIsNotArchivedUnimported)
{
    const QByteArray first =
        scoreBlock("Canyon", "03/15/02", "21:04:11", "Deathmatch", {playerRow("Alpha", "10", "4", "1")});
    const QByteArray second =
        scoreBlock("Oasis", "03/15/02", "21:30:00", "Deathmatch", {playerRow("Bravo", "8", "3", "2")});
    writeFile(scoreFile(), first);
    // The game finishes another map while the pages are exported and uploaded.
    duringChain = [&] {
        QFile file(scoreFile());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(second);
        duringChain = nullptr;
    };
    ASSERT_TRUE(import());
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(QFile::exists(scoreFile())) << "a file with rows not yet imported was archived";
    EXPECT_FALSE(QFile::exists(archived(1)));

    EXPECT_TRUE(import());
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(readFile(archived(1)), first + second);
    EXPECT_FALSE(QFile::exists(scoreFile()));
}
