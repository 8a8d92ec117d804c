#include "GeneratedScores.h"
#include "ScoreFixture.h"

#include "scores/ScoreImport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

using namespace Qt::StringLiterals;

// The process is killed in the middle of a large import: the database must
// open, hold only whole rows, and the next import must complete the file.
TEST_F(ScoreFixture, KilledImportLeavesWholeRowsAndIsCompletedNextTime)
{
    constexpr int kBlocks = 6000, kPlayers = 16;
    // An earlier import stored the first blocks.
    writeFile(scoreFile(), generated::file(3, kPlayers));
    ASSERT_TRUE(import());
    ASSERT_EQ(count(), 3 * kPlayers);
    db.close();

    const QByteArray file = generated::file(kBlocks, kPlayers);
    writeFile(scoreFile(), file);
    QProcess helper;
    helper.start(QStringLiteral(IMPORT_HELPER), {gameFolder, programFolder});
    ASSERT_TRUE(helper.waitForStarted());
    ASSERT_TRUE(helper.waitForReadyRead(30000));
    // The rollback journal appears with the first row written.
    const QString journal = db.fileName() + u"-journal"_s;
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(journal) && helper.state() == QProcess::Running && clock.elapsed() < 30000)
        QThread::usleep(200);
    QThread::msleep(30);
    helper.kill();
    ASSERT_TRUE(helper.waitForFinished());
    ASSERT_EQ(helper.exitStatus(), QProcess::CrashExit) << "the import ended before it was killed";
    ASSERT_TRUE(QFile::exists(scoreFile())) << "a killed import never archives";

    PlayerDatabase reopened;
    reopened.setFileName(db.fileName());
    QSqlQuery q(reopened.connection());
    ASSERT_TRUE(q.exec(u"PRAGMA integrity_check"_s) && q.next());
    EXPECT_EQ(q.value(0).toString(), u"ok"_s);
    ASSERT_TRUE(q.exec(u"SELECT COUNT(*), COUNT(Id), COUNT(Player), COUNT(Kills), COUNT(Deaths), COUNT(Game), "
                       "COUNT(Gametype), COUNT(Date), COUNT(Time), COUNT(Winner), COUNT(Ratio) FROM player"_s) &&
                q.next());
    const qint64 rowsAfterKill = q.value(0).toLongLong();
    EXPECT_GE(rowsAfterKill, 3 * kPlayers);
    EXPECT_LT(rowsAfterKill, kBlocks * kPlayers);
    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(q.value(i).toLongLong(), rowsAfterKill) << "a half-stored row, column " << i;
    q = QSqlQuery();
    reopened.close();

    ASSERT_TRUE(import());
    EXPECT_EQ(count(), kBlocks * kPlayers);
    EXPECT_FALSE(QFile::exists(scoreFile()));
    EXPECT_EQ(readFile(archived(2)), file);
}
