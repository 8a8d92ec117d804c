// The main window started in a program folder whose Rankhold.ini names a
// database on a server: it connects to it as it opens Rankhold.mdb, shows
// its figures, and Open/Close and Compact database work on it.
#include "../gui/MainWindowFixture.h"
#include "../scores/ScoreFixture.h"
#include "PostgresFixture.h"

#include "common/Rounding.h"
#include "gui/PanelStatusBar.h"
#include "scores/DatabaseFile.h"

#include <QFile>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

class ServerWindowTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!sharedServer().isRunning())
            GTEST_SKIP() << "PostgreSQL cannot be started for these tests: " << sharedServer().why().toStdString();
        url = sharedServer().createDatabase();
        ASSERT_FALSE(url.isEmpty()) << sharedServer().why().toStdString();
        ASSERT_EQ(errorMessageOf([this] { createDatabase(parseDatabaseUrl(url)); }), QString());
        writeFile(workPath(u"Rankhold.ini"_s), rankingsIni(url));
    }

    QString label(TForm1 &form, const char *name) { return control<QLabel>(form, name)->text(); }

    QString url;
};

} // namespace

TEST_F(ServerWindowTest, OpensTheServerDatabaseShowsItsFiguresAndOpenCloseAndCompactWork)
{
    makeRegisteredGame();
    writeFile(workPath(u"dflw/scores.txt"_s),
              scoreBlock("Map", "01/01/03", "10:00:00", "Deathmatch",
                         {playerRow("Alpha", "1", "3", "1"), playerRow("Bravo", "2", "1", "3")}));
    auto form = makeForm();
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    EXPECT_TRUE(hooks().shown.empty());
    EXPECT_EQ(status->panelText(0), kConnectionOpen);
    EXPECT_FALSE(QFile::exists(workPath(u"Rankhold.mdb"_s)));
    EXPECT_EQ(label(*form, "Label5"), u"0"_s);

    form->ImportScorestxt1Click();
    EXPECT_TRUE(hooks().shown.empty());
    EXPECT_EQ(label(*form, "Label5"), u"2"_s);
    EXPECT_EQ(label(*form, "Label6"), u"2"_s);
    const qint64 size = sharedServer()
                            .select(url.section(u'/', -1), u"SELECT pg_database_size(current_database())"_s)
                            .value(0)
                            .toLongLong();
    EXPECT_EQ(label(*form, "Label7"), u"%1 KB"_s.arg(roundHalfEven(double(size) / 1024.0)));

    form->CloseQuellmoordatabase1Click();
    EXPECT_FALSE(form->state().database.isOpen());
    EXPECT_EQ(status->panelText(0), kConnectionClosed);
    form->CloseQuellmoordatabase1Click();
    EXPECT_TRUE(form->state().database.isOpen());
    EXPECT_EQ(status->panelText(0), kConnectionOpen);

    form->RepairQuellmoordatabase1Click();
    ASSERT_EQ(hooks().shown.size(), 1u);
    EXPECT_TRUE(hooks().shown[0].text.startsWith(
        u"Compacted the tables player and player_totals on the database server (VACUUM FULL, ANALYZE): "_s))
        << hooks().shown[0].text.toStdString();
    EXPECT_EQ(status->panelText(0), kConnectionOpen);
    EXPECT_EQ(label(*form, "Label5"), u"2"_s);
}
