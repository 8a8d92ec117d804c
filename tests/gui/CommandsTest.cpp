// The handlers of the main window that are its own: open/close, the
// scheduled import's timer, the switch-on for the game, the game folder,
// the viewers, and what a failing command leaves behind.
#include "MainWindowFixture.h"

#include "common/CommandHost.h"
#include "gui/PanelStatusBar.h"
#include "gui/TForm3.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QTimer *timer1(TForm1 &form)
{
    const auto timers = form.findChildren<QTimer *>(u"Timer1"_s);
    EXPECT_EQ(timers.size(), 1);
    return timers.value(0);
}

} // namespace

TEST_F(MainWindowTest, OpenCloseTwiceLeavesTheDatabaseOpenAndFiguresAlone)
{
    makeDatabase();
    makeRegisteredGame();
    auto form = makeForm();
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    auto *records = control<QLabel>(*form, "Label5");
    records->setText(u"unchanged"_s);

    form->CloseQuellmoordatabase1Click();
    EXPECT_FALSE(form->state().database.isOpen());
    EXPECT_EQ(status->panelText(0), kConnectionClosed);
    form->CloseQuellmoordatabase1Click();
    EXPECT_TRUE(form->state().database.isOpen());
    EXPECT_TRUE(form->state().database.isTableOpen());
    EXPECT_EQ(status->panelText(0), kConnectionOpen);
    EXPECT_EQ(records->text(), u"unchanged"_s);
    EXPECT_TRUE(hooks().shown.empty());
}

TEST_F(MainWindowTest, CheckTimerOnOffOnRunsOneFreshTimer)
{
    makeDatabase();
    makeRegisteredGame();
    auto form = makeForm();
    auto *box = control<QCheckBox>(*form, "CheckBox4");
    QTimer *timer = timer1(*form);
    ASSERT_NE(timer, nullptr);

    box->click();
    EXPECT_TRUE(timer->isActive());
    QTest::qWait(120);
    box->click();
    EXPECT_FALSE(timer->isActive());
    box->click();
    EXPECT_TRUE(timer->isActive());
    EXPECT_GT(timer->remainingTime(), 29900); // a fresh period from the last check
    EXPECT_EQ(form->findChildren<QTimer *>(u"Timer1"_s).size(), 1);

    // Set by the program, the box still drives the timer; the same state again changes nothing.
    box->setChecked(false);
    EXPECT_FALSE(timer->isActive());
    box->setChecked(false);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MainWindowTest, SwitchOnForTheGameLeavesDeathsAndFilterAlone)
{
    makeDatabase();
    makeRegisteredGame();
    auto form = makeForm();
    const char *switched[] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4",
                              "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox9"};

    // Not ticked: the launch switches nothing.
    form->Button1Click();
    for (const char *name : switched)
        EXPECT_FALSE(control<QCheckBox>(*form, name)->isChecked()) << name;
    EXPECT_FALSE(timer1(*form)->isActive());

    control<QCheckBox>(*form, "CheckBox18")->setChecked(true);
    control<QCheckBox>(*form, "CheckBox4")->setChecked(true);
    QTest::qWait(150);
    const int remaining = timer1(*form)->remainingTime();
    control<QCheckBox>(*form, "CheckBox16")->setChecked(true);
    control<QPushButton>(*form, "Button1")->click();

    for (const char *name : switched)
        EXPECT_TRUE(control<QCheckBox>(*form, name)->isChecked()) << name;
    EXPECT_FALSE(control<QCheckBox>(*form, "CheckBox17")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(*form, "CheckBox18")->isChecked());
    // The running timer was not restarted.
    EXPECT_TRUE(timer1(*form)->isActive());
    EXPECT_LE(timer1(*form)->remainingTime(), remaining);
    EXPECT_LT(timer1(*form)->remainingTime(), 29900);
    EXPECT_TRUE(hooks().shown.empty());
}

TEST_F(MainWindowTest, SwitchOnStartsTheScheduledImport)
{
    makeDatabase();
    makeRegisteredGame();
    auto form = makeForm();
    control<QCheckBox>(*form, "CheckBox16")->setChecked(true);
    control<QAction>(*form, "RunDFLWstatenabled1")->trigger();
    EXPECT_TRUE(control<QCheckBox>(*form, "CheckBox4")->isChecked());
    EXPECT_TRUE(timer1(*form)->isActive());
}

TEST_F(MainWindowTest, FailingTickShowsTheErrorAndKeepsTheTimer)
{
    makeRegisteredGame(); // no database: the tick cannot open the table
    auto form = makeForm();
    control<QCheckBox>(*form, "CheckBox4")->setChecked(true);
    hooks().clear();
    form->Timer1Timer();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Error), 1);
    EXPECT_TRUE(hooks().shown.front().text.contains(u"Rankhold.mdb"_s));
    EXPECT_TRUE(timer1(*form)->isActive());
    EXPECT_EQ(control<PanelStatusBar>(*form, "StatusBar1")->panelText(0), kConnectionClosed);
}

TEST_F(MainWindowTest, SetGameFolderTypedFolderIsCreatedAndStored)
{
    makeDatabase();
    const QString old = makeRegisteredGame();
    auto form = makeForm();
    const QString typed = workPath(u"servers/new/dflw"_s);
    hooks().folders.push_back(typed);

    form->SetDFLWfolder1Click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::FolderChooser), 1);
    EXPECT_EQ(hooks().shown.front().text, old); // the chooser starts at the game folder
    EXPECT_TRUE(QDir(typed).exists());
    EXPECT_EQ(form->state().gameFolder, typed);
    EXPECT_EQ(platform::Registry().readString(platform::kDflwAppPathsKey, u"Path"_s), typed);
    EXPECT_EQ(QDir::currentPath(), typed);
    EXPECT_EQ(form->state().programFolder.path(), m_work.path());

    // The readme is looked for in the current directory, which moved.
    hooks().clear();
    form->ReadRankholdtxt1Click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::OpenUrl), 1);
    EXPECT_EQ(hooks().shown.front().text, QUrl::fromLocalFile(typed + u"/Rankhold.txt"_s).toString());
}

TEST_F(MainWindowTest, SetGameFolderCancelledChangesNothing)
{
    makeDatabase();
    const QString game = makeRegisteredGame();
    const QString registry = registryFileText();
    auto form = makeForm();
    form->SetDFLWfolder1Click(); // no folder queued: cancel
    EXPECT_EQ(hooks().count(Dialogs::Kind::FolderChooser), 1);
    EXPECT_EQ(form->state().gameFolder, game);
    EXPECT_EQ(registryFileText(), registry);
    EXPECT_EQ(QDir::currentPath(), m_work.path());
}

TEST_F(MainWindowTest, SetGameFolderWithoutOneStartsAtHome)
{
    makeDatabase();
    auto form = makeForm();
    ASSERT_TRUE(form->state().gameFolder.isEmpty());
    form->SetDFLWfolder1Click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::FolderChooser), 1);
    EXPECT_EQ(hooks().shown.back().text, QDir::homePath());
    EXPECT_EQ(form->state().gameFolder, QDir::homePath());
    EXPECT_FALSE(platform::Registry().readString(platform::kDflwAppPathsKey, u"Path"_s).has_value());
}

TEST_F(MainWindowTest, FolderChooserAsksBeforeTakingAMissingFolder)
{
    const QString start = workPath(u"start"_s);
    ASSERT_TRUE(QDir().mkpath(start));
    Dialogs::FolderChooser chooser(nullptr, start);
    EXPECT_EQ(QDir::currentPath(), start);
    auto *name = chooser.findChild<QLineEdit *>(u"fileNameEdit"_s);
    ASSERT_NE(name, nullptr);

    const QString missing = workPath(u"start/a/b"_s);
    name->setText(missing);
    hooks().answers = {false};
    chooser.accept();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Question), 1);
    EXPECT_EQ(hooks().shown.back().text, Dialogs::kCreateFolderQuestion);
    EXPECT_NE(chooser.result(), QDialog::Accepted);

    name->setText(missing);
    hooks().answers = {true};
    chooser.accept();
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
    EXPECT_EQ(chooser.chosenFolder(), missing);
    EXPECT_FALSE(QDir(missing).exists()); // the command creates it, not the chooser

    // An existing folder is taken without a question.
    Dialogs::FolderChooser again(nullptr, start);
    hooks().clear();
    again.findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(m_work.path());
    again.accept();
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(again.chosenFolder(), m_work.path());
    EXPECT_EQ(hooks().count(Dialogs::Kind::Question), 0);
}

TEST_F(MainWindowTest, GameSettingsWindowAndExit)
{
    makeDatabase();
    const QString game = makeRegisteredGame();
    auto form = makeForm();
    TForm3 settingsWindow([&form] { return form->state().gameFolder; });
    form->setGameSettingsWindow(&settingsWindow);
    form->show();
    EXPECT_FALSE(settingsWindow.isVisible());
    control<QPushButton>(*form, "Button2")->click();
    EXPECT_TRUE(settingsWindow.isVisible());
    EXPECT_TRUE(form->isVisible()); // it does not block the main window

    form->Exit1Click();
    EXPECT_FALSE(form->isVisible());
    // Nothing is saved on the way out.
    EXPECT_FALSE(QFile::exists(workPath(u"Rankhold.ini"_s)));
    EXPECT_FALSE(QFile::exists(workPath(u"header.txt"_s)));
}
