// The start-up sequence as the main window runs it, in a working folder
// other than the executable's.
#include "MainWindowFixture.h"

#include "commands/SystemPanel.h"
#include "common/CommandHost.h"
#include "common/RankholdError.h"
#include "gui/PanelStatusBar.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString labelText(TForm1 &form, const char *name)
{
    auto *label = form.findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : u"<missing>"_s;
}

} // namespace

TEST_F(MainWindowTest, StartUpWithDatabaseAndGame)
{
    makeDatabase();
    const QString game = makeRegisteredGame();
    auto form = makeForm();

    EXPECT_FALSE(form->startUpEnd().has_value());
    EXPECT_TRUE(hooks().shown.empty());
    EXPECT_EQ(form->state().programFolder.path(), m_work.path());
    EXPECT_NE(form->state().programFolder.path(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(form->state().gameFolder, game);
    EXPECT_EQ(form->state().browserFolder, QString());
    EXPECT_GT(form->state().totalMemoryMB, 1);
    EXPECT_EQ(form->state().database.fileName(), workPath(u"Rankhold.mdb"_s));
    EXPECT_TRUE(form->state().database.isOpen());

    EXPECT_EQ(control<PanelStatusBar>(*form, "StatusBar1")->panelText(0), kConnectionOpen);
    EXPECT_EQ(labelText(*form, "Label5"), u"0"_s);
    EXPECT_EQ(labelText(*form, "Label6"), u"0"_s);
    EXPECT_TRUE(labelText(*form, "Label7").endsWith(u" KB"_s));
    EXPECT_TRUE(QRegularExpression(u"^\\d+[.,]\\d\\d MHz$"_s).match(labelText(*form, "Label20")).hasMatch())
        << labelText(*form, "Label20").toStdString();
    EXPECT_EQ(labelText(*form, "Label68"), systemName(platform::osVersion()));
    // Memory and disk wait for the first tick of Timer2.
    EXPECT_EQ(labelText(*form, "Label17"), u"0 %"_s);
    EXPECT_EQ(labelText(*form, "Label18"), u"0 MB"_s);
    form->SystemInfo();
    EXPECT_TRUE(labelText(*form, "Label17").endsWith(u" % of %1 MB"_s.arg(form->state().totalMemoryMB)));
    EXPECT_TRUE(labelText(*form, "Label18").endsWith(u" MB"_s));
}

TEST_F(MainWindowTest, StartUpWithoutDatabaseEndsAtTheConnection)
{
    makeRegisteredGame();
    auto form = makeForm();

    ASSERT_EQ(form->startUpEnd(), StartUpStep::OpenDatabase);
    ASSERT_EQ(hooks().shown.size(), 1u);
    const Dialogs::Shown &box = hooks().shown.front();
    EXPECT_EQ(box.kind, Dialogs::Kind::Error);
    EXPECT_EQ(box.title, u"Rankhold"_s);
    EXPECT_TRUE(box.text.contains(workPath(u"Rankhold.mdb"_s))) << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(u'.'));

    EXPECT_EQ(control<PanelStatusBar>(*form, "StatusBar1")->panelText(0), kConnectionClosed);
    EXPECT_EQ(labelText(*form, "Label20"), u"0 MHz"_s);
    EXPECT_EQ(labelText(*form, "Label68"), u"Windows ME"_s);
    EXPECT_EQ(labelText(*form, "Label5"), u"N/A"_s);
    EXPECT_EQ(labelText(*form, "Label6"), u"N/A"_s);
    EXPECT_EQ(labelText(*form, "Label7"), u"N/A"_s);

    // The window still works: once the file is there, Open/Close opens it.
    form->show();
    makeDatabase();
    hooks().clear();
    form->CloseQuellmoordatabase1Click();
    EXPECT_TRUE(hooks().shown.empty());
    EXPECT_EQ(control<PanelStatusBar>(*form, "StatusBar1")->panelText(0), kConnectionOpen);
}

TEST_F(MainWindowTest, MissingGameIsReportedOnceAndStartUpGoesOn)
{
    makeDatabase();
    for (const bool registered : {false, true}) {
        SCOPED_TRACE(registered ? "folder without dflw.exe" : "no registry value");
        if (registered)
            writeRegistry(platform::kDflwAppPathsKey, workPath(u"nogame"_s));
        hooks().clear();
        auto form = makeForm();
        EXPECT_FALSE(form->startUpEnd().has_value());
        ASSERT_EQ(hooks().shown.size(), 1u);
        EXPECT_EQ(hooks().shown.front().kind, Dialogs::Kind::Message);
        EXPECT_EQ(hooks().shown.front().title, u"Rankhold"_s);
        EXPECT_EQ(hooks().shown.front().text, kMissingGameText);
        EXPECT_EQ(form->state().gameFolder, registered ? workPath(u"nogame"_s) : QString());
        // The step after the check still ran.
        EXPECT_EQ(labelText(*form, "Label5"), u"0"_s);
    }
    EXPECT_EQ(Dialogs::displayText(kMissingGameText),
              u"Cannot find Delta Force Land Warrior\n\nUse the Set DFLW Folder option in the Extra menu to manually "
              "locate the folder."_s);
}

TEST_F(MainWindowTest, BrowserFolderLosesItsLastCharacter)
{
    makeDatabase();
    makeRegisteredGame();
    writeRegistry(platform::kBrowserAppPathsKey, u"/opt/browser;"_s);
    auto form = makeForm();
    EXPECT_EQ(form->state().browserFolder, u"/opt/browser"_s);
}

TEST_F(MainWindowTest, SettingsLoadedIntoControlsAndSavedBack)
{
    makeDatabase();
    makeRegisteredGame();
    writeFile(workPath(u"Rankhold.ini"_s), "[Tabletitles]\r\nFontface=verdana\r\nFontcolor=\r\n"
                                           "[HTML Creation]\r\nFilter1=[CLAN]\r\n"
                                           "[HTMLCreation]\r\nKills=on\r\nDeaths=On\r\n"
                                           "[FTPSettings]\r\nserver=ftp.example.org\r\n");
    writeFile(workPath(u"header.txt"_s), "<HTML>\r\n<BODY>\r\n<H1>Ranks</H1>\r\n");
    auto form = makeForm();
    ASSERT_FALSE(form->startUpEnd().has_value());

    EXPECT_EQ(control<QLineEdit>(*form, "Edit5")->text(), u"verdana"_s);
    EXPECT_EQ(control<QLineEdit>(*form, "Edit1")->text(), QString());
    EXPECT_EQ(control<QLineEdit>(*form, "Edit6")->text(), u"arial"_s);
    EXPECT_EQ(control<QLineEdit>(*form, "Edit19")->text(), u"[CLAN]"_s);
    EXPECT_EQ(control<QLineEdit>(*form, "Edit14")->text(), u"ftp.example.org"_s);
    EXPECT_TRUE(control<QCheckBox>(*form, "CheckBox1")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(*form, "CheckBox17")->isChecked());
    EXPECT_EQ(control<QPlainTextEdit>(*form, "Memo2")->toPlainText(), u"<HTML>\n<BODY>\n<H1>Ranks</H1>\n"_s);
    EXPECT_EQ(form->readSettings().header, u"<HTML>\r\n<BODY>\r\n<H1>Ranks</H1>\r\n"_s);

    // Changed controls go back to the files on File > Save Settings, and come back at the next start.
    control<QLineEdit>(*form, "Edit21")->setText(u"bot"_s);
    control<QCheckBox>(*form, "CheckBox6")->setChecked(true);
    control<QCheckBox>(*form, "CheckBox4")->setChecked(true);    // never saved
    control<QLineEdit>(*form, "Edit15")->setText(u"operator"_s); // never saved
    control<QPlainTextEdit>(*form, "Memo3")->setPlainText(u"</BODY></HTML>"_s);
    form->SaveSettings1Click();
    EXPECT_TRUE(hooks().shown.empty());
    EXPECT_EQ(readFile(workPath(u"footer.txt"_s)), QByteArray("</BODY></HTML>"));
    form.reset();

    auto again = makeForm();
    EXPECT_EQ(control<QLineEdit>(*again, "Edit21")->text(), u"bot"_s);
    EXPECT_EQ(control<QLineEdit>(*again, "Edit5")->text(), u"verdana"_s);
    EXPECT_TRUE(control<QCheckBox>(*again, "CheckBox6")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(*again, "CheckBox4")->isChecked());
    EXPECT_EQ(control<QLineEdit>(*again, "Edit15")->text(), u"username"_s);
    EXPECT_EQ(control<QPlainTextEdit>(*again, "Memo3")->toPlainText(), u"</BODY></HTML>"_s);
    EXPECT_FALSE(again->findChild<QTimer *>(u"Timer1"_s)->isActive());
}

TEST_F(MainWindowTest, StandardErrorBoxFullStopRule)
{
    const std::pair<QString, QString> cases[] = {
        {u"Cannot open file x"_s, u"Cannot open file x."_s},
        {u"Done."_s, u"Done."_s},
        {u"Failed to set data for 'Path'"_s, u"Failed to set data for 'Path'"_s}, // ' sorts before .
        {u"Really?"_s, u"Really?."_s},                                            // ? sorts after .
        {u"Size (2)"_s, u"Size (2)"_s},
        {u"Stop!"_s, u"Stop!"_s},
        {u"v1.0/"_s, u"v1.0/."_s},
        {QString(), QString()},
    };
    for (const auto &[message, shown] : cases) {
        hooks().clear();
        Dialogs::error(nullptr, message);
        ASSERT_EQ(hooks().shown.size(), 1u);
        EXPECT_EQ(hooks().shown.front().text, shown) << message.toStdString();
        EXPECT_EQ(hooks().shown.front().title, u"Rankhold"_s);
    }
}

TEST_F(MainWindowTest, StartUpEndedBeforeTheConnectionStringLeavesNothingToOpen)
{
    makeDatabase();
    makeRegisteredGame();
    // A header that exists but gives a read error, also for root.
    if (!QFile::link(u"/proc/self/mem"_s, workPath(u"header.txt"_s)))
        GTEST_SKIP() << "no symbolic links here";
    auto form = makeForm();
    ASSERT_EQ(form->startUpEnd(), StartUpStep::HeaderAndFooter);

    // Open/Close has no database file to open: an error, and the panel stays "Closed".
    hooks().clear();
    form->CloseQuellmoordatabase1Click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Error), 1);
    EXPECT_FALSE(form->state().database.isOpen());
    EXPECT_EQ(control<PanelStatusBar>(*form, "StatusBar1")->panelText(0), kConnectionClosed);
}
