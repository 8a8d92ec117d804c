// The road of a finished map, with nobody at the keyboard: the stand-in game
// started from the main window writes score blocks, the scheduled import
// picks them up, exports the pages and uploads them to a real FTP server.
#include "gui/Dialogs.h"
#include "gui/TForm1.h"
#include "platform/Registry.h"
#include "scores/ScoreReader.h"
#include "support/FtpServers.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSet>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ScheduledChainTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_program.isValid() && m_game.isValid() && m_config.isValid());
        m_oldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_program.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        Dialogs::testHooks().clear();
        Dialogs::testHooks().enabled = true;
    }

    void TearDown() override
    {
        Dialogs::testHooks().clear();
        Dialogs::testHooks().enabled = false;
        QDir::setCurrent(m_oldCurrent);
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("RANKHOLD_STANDIN_INTERVAL");
        qunsetenv("RANKHOLD_STANDIN_MAPS");
    }

    // The stand-in game in a folder of its own, registered as the game folder.
    void installGame()
    {
        for (const QString &name : {u"dflw.exe"_s, u"dflw.cfg"_s}) {
            const QString to = m_game.filePath(name);
            ASSERT_TRUE(QFile::copy(sourcePath(u"standin/"_s + name), to)) << qPrintable(name);
            QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::ExeOwner);
        }
        platform::Registry registry;
        ASSERT_TRUE(registry.writeString(platform::kDflwAppPathsKey, u"Path"_s, m_game.path()));
    }

    template <typename T> T *control(TForm1 &form, const char *name)
    {
        T *found = form.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTemporaryDir m_program;
    QTemporaryDir m_game;
    QTemporaryDir m_config;
    QString m_oldCurrent;
};

// Every row key the archived score files hold.
QSet<QString> archivedRowKeys(const QString &archive, int *files)
{
    QSet<QString> keys;
    *files = 0;
    for (const QString &name : QDir(archive).entryList(QDir::Files)) {
        ++*files;
        const ScoreLines lines(readFile(archive + u'/' + name));
        ScoreReader reader(lines);
        ScoreRow row;
        while (reader.next(row))
            keys.insert(row.id());
    }
    return keys;
}

QSet<QString> storedRowKeys(TForm1 &form)
{
    QSet<QString> keys;
    QSqlQuery query(const_cast<AppState &>(form.state()).database.connection());
    EXPECT_TRUE(query.exec(u"SELECT Id FROM player"_s));
    while (query.next())
        keys.insert(query.value(0).toString());
    return keys;
}

QByteArray withLfLineEnds(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n");
}

} // namespace

TEST_F(ScheduledChainTest, GameStartedFromTheWindowIsImportedExportedAndUploadedByItself)
{
    constexpr int kMaps = 3;
    makeEmptyDatabase(m_program.filePath(u"Rankhold.mdb"_s));
    installGame();
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << qPrintable(server.errorText());
    qputenv("RANKHOLD_STANDIN_INTERVAL", "0.7");
    qputenv("RANKHOLD_STANDIN_MAPS", QByteArray::number(kMaps));

    TForm1 form;
    ASSERT_FALSE(form.startUpEnd().has_value()) << "start-up ended early";
    EXPECT_EQ(Dialogs::testHooks().shown.size(), 0u) << "no missing-game message for a registered game";
    control<QLineEdit>(form, "Edit14")->setText(server.address());
    control<QLineEdit>(form, "Edit15")->setText(server.user());
    control<QLineEdit>(form, "Edit16")->setText(server.password());
    // The test seam: a shorter poll than the 30 seconds a user gets.
    QTimer *timer1 = form.findChild<QTimer *>(u"Timer1"_s);
    ASSERT_NE(timer1, nullptr);
    timer1->setInterval(400);

    control<QCheckBox>(form, "CheckBox16")->setChecked(true);
    control<QAbstractButton>(form, "Button1")->click();
    EXPECT_TRUE(control<QCheckBox>(form, "CheckBox4")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(form, "CheckBox9")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(form, "CheckBox17")->isChecked());
    EXPECT_TRUE(timer1->isActive());

    // The stand-in plays its maps and exits; the last tick archives the last file.
    const QString archive = m_program.filePath(u"oldscores"_s);
    const QString scoreFile = m_game.filePath(u"scores.txt"_s);
    int files = 0;
    const auto settled = [&] {
        if (QFile::exists(scoreFile) || !QFile::exists(server.filePath(u"rankhold_top10.html"_s)))
            return false;
        const QSet<QString> expected = archivedRowKeys(archive, &files);
        QSet<QString> maps; // each map has its own time stamp
        for (const QString &key : expected)
            maps.insert(key.section(u' ', 0, 1));
        return maps.size() == kMaps && storedRowKeys(form) == expected;
    };
    const bool done = QTest::qWaitFor(settled, 40000);
    control<QCheckBox>(form, "CheckBox4")->setChecked(false);
    EXPECT_FALSE(timer1->isActive());
    for (const auto &box : Dialogs::testHooks().shown)
        ADD_FAILURE() << "a box was shown: " << qPrintable(box.text);
    ASSERT_TRUE(done) << "archived files: " << files << ", rows stored: " << storedRowKeys(form).size();

    // Every archived row is stored once, and nothing else.
    EXPECT_EQ(storedRowKeys(form), archivedRowKeys(archive, &files));
    // The pages that the switch-on enabled went up as written; deaths was not switched on.
    for (const QString &page : {u"rankhold_top10.html"_s, u"rankhold_kills.html"_s, u"rankhold_flags.html"_s,
                                u"rankhold_zonetime.html"_s, u"rankhold_targets.html"_s, u"rankhold_ratio.html"_s}) {
        const QByteArray local = readFile(m_program.filePath(page));
        ASSERT_FALSE(local.isEmpty()) << qPrintable(page);
        EXPECT_EQ(withLfLineEnds(readFile(server.filePath(page))), withLfLineEnds(local)) << qPrintable(page);
    }
    EXPECT_FALSE(QFile::exists(server.filePath(u"rankhold_deaths.html"_s)));
}

// A tick that arrives while the upload runs waits for the chain to end; once
// the user has unchecked the box in the meantime, it is dropped.
TEST_F(ScheduledChainTest, TickDeferredDuringTheUploadIsDroppedOnceTheBoxIsUnchecked)
{
    makeEmptyDatabase(m_program.filePath(u"Rankhold.mdb"_s));
    installGame();
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << qPrintable(server.errorText());
    const QString scoreFile = m_game.filePath(u"scores.txt"_s);
    const QByteArray block = "Game Stats for Game: Canyon\r\nPlayed: 03/15/02, 21:04:11\r\n"
                             "  Game type: Deathmatch\r\n  Player                 Value  Kills  Deaths\r\n"
                             "      Raptor               12   7   2\r\n\r\n";
    writeFile(scoreFile, block);

    TForm1 form;
    control<QLineEdit>(form, "Edit14")->setText(server.address());
    control<QLineEdit>(form, "Edit15")->setText(server.user());
    control<QLineEdit>(form, "Edit16")->setText(server.password());
    auto *box4 = control<QCheckBox>(form, "CheckBox4");
    control<QCheckBox>(form, "CheckBox9")->setChecked(true);
    box4->setChecked(true);

    // Runs at the first turn of the event loop, which is inside the upload.
    bool ranInside = false;
    QTimer::singleShot(0, &form, [&] {
        ranInside = true;
        form.Timer1Timer();
        box4->setChecked(false);
    });
    form.Timer1Timer();
    ASSERT_TRUE(ranInside);
    ASSERT_FALSE(QFile::exists(scoreFile)) << "the first tick archives its file";

    writeFile(scoreFile, block);
    QTest::qWait(200);
    EXPECT_TRUE(QFile::exists(scoreFile)) << "no tick runs after the box was unchecked";
    EXPECT_TRUE(Dialogs::testHooks().shown.empty());
}

// A score file that cannot be archived is read again at every tick: the
// window says why once in each run, not every 30 seconds.
TEST_F(ScheduledChainTest, ArchiveThatCannotBeWrittenIsShownOncePerRun)
{
    makeEmptyDatabase(m_program.filePath(u"Rankhold.mdb"_s));
    installGame();
    const QString archive = m_program.filePath(u"oldscores"_s);
    const QString scoreFile = m_game.filePath(u"scores.txt"_s);
    writeFile(archive, "not a folder");
    writeFile(scoreFile,
              "Game Stats for Game: Canyon\r\nPlayed: 03/15/02, 21:04:11\r\n  Game type: Deathmatch\r\n"
              "  Player                 Value  Kills  Deaths\r\n      Raptor               12   7   2\r\n\r\n");

    TForm1 form;
    form.ImportScorestxt1Click();
    form.Timer1Timer();
    form.Timer1Timer();
    const auto &shown = Dialogs::testHooks().shown;
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.front().kind, Dialogs::Kind::Error);
    EXPECT_EQ(shown.front().text.toStdString(),
              (scoreFile + u" was imported but cannot be archived: cannot create the folder "_s + archive +
               u" (a file has that name). It stays where it is and is read again at every import."_s)
                  .toStdString());
    EXPECT_TRUE(QFile::exists(scoreFile));
    EXPECT_EQ(storedRowKeys(form).size(), 1);
}
