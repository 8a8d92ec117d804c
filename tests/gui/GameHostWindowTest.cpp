#include "MainWindowFixture.h"

#include "gui/TForm3.h"
#include "support/FtpServers.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

// A game on an FTP host, set in the window: the password is asked once and
// kept in memory only; Edit Game Settings edits the host's dflw.cfg (every
// line it does not manage byte for byte, stored under another name and
// renamed over); Run DFLW stat-enabled says the game starts on its host.
TEST_F(MainWindowTest, GameOnAHostIsSetAndItsSettingsAreEditedThere)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    const QByteArray original = readFile(sourcePath(u"standin/dflw.cfg"_s));
    writeFile(server.filePath(u"dflw.cfg"_s), original);
    makeDatabase();
    auto form = makeForm();
    TForm3 settingsWindow([&form] { return form->gameConfigFolder(); });
    form->setGameSettingsWindow(&settingsWindow);

    const QString url = u"ftp://%1@127.0.0.1:%2/"_s.arg(server.user()).arg(server.port());
    hooks().texts = {url, server.password()};
    form->findChild<QAction *>(u"SetDFLWgamehost1"_s)->trigger();
    EXPECT_EQ(hooks().count(Dialogs::Kind::Text), 2);
    const QByteArray ini = readFile(workPath(u"Rankhold.ini"_s));
    EXPECT_TRUE(ini.contains("url=" + url.toUtf8()));
    EXPECT_FALSE(ini.contains(server.password().toUtf8()));

    control<QPushButton>(*form, "Button2")->click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Error), 0) << hooks().shown.back().text.toStdString();
    auto *gameName = settingsWindow.findChild<QLineEdit *>(u"Edit9"_s);
    ASSERT_NE(gameName, nullptr);
    gameName->setText(u"On the host"_s);
    settingsWindow.findChild<QPushButton *>(u"saveButton"_s)->click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Error), 0) << hooks().shown.back().text.toStdString();

    const QList<QByteArray> before = original.split('\n');
    const QList<QByteArray> after = readFile(server.filePath(u"dflw.cfg"_s)).split('\n');
    ASSERT_EQ(after.size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (i == 39)
            EXPECT_EQ(after[i], "game_name        = \"On the host\"\r");
        else
            EXPECT_EQ(after[i], before[i]) << "line " << i;
    }
    EXPECT_FALSE(QFile::exists(server.filePath(u"dflw.cfg.rankhold-new"_s)));

    const qsizetype messages = hooks().count(Dialogs::Kind::Message); // the missing local game of the start
    control<QPushButton>(*form, "Button1")->click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Message), messages + 1);
    EXPECT_TRUE(hooks().shown.back().text.contains(u"127.0.0.1"_s)) << hooks().shown.back().text.toStdString();
}
