// Which lines start a block, and what a block that cannot be read does to the
// rest of the file: a player may not stop the statistics with his name, and
// one damaged block may not stop every later import.
#include "ScoreFixture.h"

#include "common/RankholdError.h"
#include "scores/ScoreImport.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

class BlockRules : public ScoreFixture
{
protected:
    void SetUp() override
    {
        ScoreFixture::SetUp();
        host.onActivityText = [this](const QString &text) { exported += text == u"Exporting HTML"_s; };
    }

    // The import; the error it ended with (message and context), if any.
    RankholdError importFailing()
    {
        try {
            import();
        } catch (const RankholdError &e) {
            return e;
        }
        return RankholdError({});
    }

    QStringList archiveFiles() const { return QDir(programFolder + u"/oldscores"_s).entryList(QDir::Files); }

    int exported = 0;
};

const QByteArray kFirst = scoreBlock("A", "d1", "t1", "Deathmatch", {playerRow("One", "1", "1", "1")});
const QByteArray kLast = scoreBlock("C", "d3", "t3", "Deathmatch", {playerRow("Three", "3", "3", "3")});

} // namespace

TEST_F(BlockRules, PlayerNamedLikeTheHeaderIsAPlayer)
{
    settings.chainAfterImport = true;
    settings.ftpServer = u"127.0.0.1:1"_s;
    // The name field holds all 20 characters of the header's text.
    const QByteArray file =
        scoreBlock("Canyon", "03/15/02", "21:04:11", "Capture the Flag",
                   {playerRow("Game Stats for Game:", "1", "7", "2"), playerRow("Raptor", "2", "5", "1")}) +
        kLast;
    writeFile(scoreFile(), file);
    ASSERT_TRUE(import());
    EXPECT_EQ(rows(u"Player, Game, Flags"_s),
              (QStringList{u"Game Stats for Game: |Canyon|1"_s, u"Raptor               |Canyon|2"_s,
                           u"Three                |C|NULL"_s}));
    EXPECT_EQ(exported, 1);
    EXPECT_EQ(readFile(archived(1)), file);
}

TEST_F(BlockRules, DamagedBlockIsSetAsideAndTheRestOfTheFileGoesOn)
{
    settings.chainAfterImport = true;
    settings.ftpServer = u"127.0.0.1:1"_s;
    struct Case {
        const char *what;
        QByteArray damaged;    // between kFirst and kLast, as the game wrote it
        qsizetype failingLine; // from 1, in the whole file
        QString message;
        QStringList storedOfDamaged; // the rows before the failing row
    };
    const QList<Case> cases = {
        {"a kills value that is no number",
         scoreBlock(
             "B", "d2", "t2", "Deathmatch",
             {playerRow("Two", "2", "2", "2"), playerRow("Bad", "1", "7x", "1"), playerRow("Late", "1", "1", "1")}),
         12,
         u"'7x' is not a valid integer value"_s,
         {u"Two"_s}},
        {"a value the engine refuses for its column",
         scoreBlock("B", "d2", "t2", "Capture the Flag", {playerRow("Bad", "many", "7", "1")}),
         12,
         u"cannot store TEXT value in INTEGER column player.Flags"_s,
         {}},
        // The game stopped in the middle of a block and started the next map.
        {"a block without its empty line",
         "Game Stats for Game: B\r\nPlayed: d2, t2\r\n  Game type: Deathmatch\r\nh\r\n" +
             playerRow("Two", "2", "2", "2") + "\r\n",
         11,
         u"The score block has no empty line before the next block"_s,
         {u"Two"_s}},
        // Its rows would begin past its own end, in the next block's lines.
        {"header lines that end early",
         "Game Stats for Game: B\r\nPlayed: d2, t2\r\n  Game type: Capture the Flag\r\n\r\n",
         10,
         u"The score block ends before its first player row"_s,
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        db.execute({u"DELETE FROM player"_s, {}});
        QDir(programFolder + u"/oldscores"_s).removeRecursively();
        exported = 0;
        const QByteArray file = kFirst + c.damaged + kLast;
        writeFile(scoreFile(), file);

        const RankholdError error = importFailing();
        EXPECT_EQ(error.message(), c.message);
        QStringList stored = QStringList{u"One"_s} + c.storedOfDamaged + QStringList{u"Three"_s};
        for (QString &name : stored)
            name = name.leftJustified(21);
        EXPECT_EQ(rows(u"Player"_s), stored);
        // The rest of the file is whole: exported, uploaded and archived as usual.
        EXPECT_EQ(exported, 1);
        EXPECT_EQ(readFile(archived(1)), file);
        EXPECT_FALSE(QFile::exists(scoreFile()));
        // The damaged block, exactly as read, where the operator can look at it.
        EXPECT_EQ(readFile(programFolder + u"/oldscores/rejected.1"_s), c.damaged);
        EXPECT_EQ(archiveFiles(), (QStringList{u"rejected.1"_s, u"scores.1"_s}));
        EXPECT_EQ(error.context().toStdString(),
                  u"%1, line %2: '%3' (set aside in %4)"_s.arg(scoreFile())
                      .arg(c.failingLine)
                      .arg(QString::fromLatin1(file.split('\n').at(c.failingLine - 1)).chopped(1))
                      .arg(programFolder + u"/oldscores/rejected.1"_s)
                      .toStdString());
    }
}

TEST_F(BlockRules, FailingLastBlockKeepsTheFileUntilACompleteBlockFollows)
{
    // The game may still be writing the last block, or it is damaged: which
    // one shows when the next map's block comes after it.
    const QByteArray damaged =
        scoreBlock("B", "d2", "t2", "Deathmatch", {playerRow("Two", "2", "2", "2"), playerRow("Bad", "1", "?", "1")});
    writeFile(scoreFile(), kFirst + damaged);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(importFailing().message(), u"'?' is not a valid integer value"_s);
        EXPECT_TRUE(QFile::exists(scoreFile()));
        EXPECT_TRUE(archiveFiles().isEmpty()) << "nothing is set aside while the file stays";
    }
    EXPECT_EQ(count(), 2);

    QFile appended(scoreFile());
    ASSERT_TRUE(appended.open(QIODevice::Append));
    appended.write(kLast);
    appended.close();
    EXPECT_EQ(importFailing().message(), u"'?' is not a valid integer value"_s);
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(readFile(programFolder + u"/oldscores/rejected.1"_s), damaged);
    EXPECT_EQ(readFile(archived(1)), kFirst + damaged + kLast);

    // The next file starts clean; a second damaged block takes the next free number.
    writeFile(scoreFile(), damaged + kLast);
    importFailing();
    EXPECT_EQ(archiveFiles(), (QStringList{u"rejected.1"_s, u"rejected.2"_s, u"scores.1"_s, u"scores.2"_s}));
}

TEST_F(BlockRules, WhatIsStoredAndSetAsideDependsOnTheFileAlone)
{
    // A damaged file whose damaged block holds the key of a good block's row:
    // the first import stored that row, and the second once took the damaged
    // block for whole and stored its other row.
    const QByteArray file = QByteArray::fromBase64(
        "R2FtZSBTdGF0cyBmb3IgR2FtZTogSGlsbApQbGF5ZWQ6IDAxLzAyLzAzLCAxMDowMDowMAogIEdhbWUgdHlwZTogMAoKR2FtZSBTdGF0cyBm"
        "b3IgR2FtZTogSGlsbDINbA1XaW5uZXI6ICAgQmx1ZSBUZWFtDSAgUGxheWVyICAgICAgICAgICAgICAgICBWYSAgICAgICAgICAgICAgVmFs"
        "dWUgIEtpbGxzICBEZWF0aHMNCiAgICAgIE9uZSAgICAgICAgICAgICAgICAgIDEgICAxICAgMQ0KDQpHYW1lIFN0YXRzIGZvciBHYW1lOiBC"
        "MDEvMDIvMDMgMTA6MTA6MDAgDQpQbGF5ZWQ6IGQyXSB0MjAwCiAgR2FtZSB0eXBlOiAwCgpHYW1lIFN0YXRzIGZvciBHYW1lOiBIaWxsMg1s"
        "DVdpbm5lcjogICBCbHVlIFRlYW0NICBQbGF5ZXIgICAgICAgICAgICAgICAgIFZhbHUAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
        "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAgIDMgICA0DQ0=");
    QList<QByteArray> setAside[2];
    for (int round = 0; round < 2; ++round) {
        writeFile(scoreFile(), file);
        const RankholdError error = importFailing();
        EXPECT_FALSE(error.message().isEmpty());
        EXPECT_EQ(count(), 1) << "round " << round;
        for (const QString &name : archiveFiles()) {
            if (name.startsWith(u"rejected."_s)) {
                setAside[round].append(readFile(programFolder + u"/oldscores/"_s + name));
                QFile::remove(programFolder + u"/oldscores/"_s + name);
            }
        }
        QFile::remove(archived(1));
    }
    EXPECT_EQ(setAside[0].size(), 3);
    EXPECT_EQ(setAside[1], setAside[0]);
    // No line is set aside twice.
    qsizetype bytes = 0;
    for (const QByteArray &block : setAside[0])
        bytes += block.size();
    EXPECT_LE(bytes, file.size());
    EXPECT_TRUE(rows(u"Player"_s).filter(u"One"_s).isEmpty());
}

TEST_F(BlockRules, ByteOrderMarkAndNulBytesBeforeAHeaderAreReadPastAndSaid)
{
    const QByteArray file = "\xEF\xBB\xBF" + kFirst + QByteArray(5, '\0') + kLast;
    writeFile(scoreFile(), file);
    ASSERT_TRUE(import());
    EXPECT_EQ(rows(u"Player, Game"_s), (QStringList{u"One                  |A"_s, u"Three                |C"_s}));
    EXPECT_TRUE(archiveFiles().filter(u"rejected"_s).isEmpty());
    ASSERT_EQ(host.readPastNotes.size(), 1);
    EXPECT_EQ(host.readPastNotes.first(),
              scoreFile() + u", line 1: 3 bytes (a byte-order mark) before \"Game Stats for Game:\" were read past; "
                            "the same on 1 more header lines"_s);
}
