// Extra > "Remember passwords in the keyring", against gnome-keyring's
// Secret Service in a D-Bus session of the test's own.
#include "platform/keyring/Keyring.h"
#include "MainWindowFixture.h"
#include "gui/KeyringItem.h"
#include "support/SecretService.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLineEdit>

using namespace Qt::StringLiterals;

TEST_F(MainWindowTest, RememberedPasswordsFillTheBoxesAtTheNextStartUntilForgotten)
{
    SecretService keyring;
    if (!keyring.isRunning())
        GTEST_SKIP() << "no Secret Service can run here: " << keyring.errorText().toStdString();
    makeDatabase();
    makeRegisteredGame();
    writeFile(workPath(u"Rankhold.ini"_s), "[FTPSettings]\r\nserver=ftp.example.org\r\n");
    {
        auto form = makeForm();
        control<QLineEdit>(*form, "Edit15")->setText(u"webuser"_s);
        control<QLineEdit>(*form, "Edit16")->setText(u"s3cret p\u00e4ss"_s);
        control<QAction>(*form, "RememberPasswords1")->trigger();
        EXPECT_TRUE(control<QAction>(*form, "RememberPasswords1")->isChecked());
        EXPECT_EQ(hooks().shown.size(), 0u); // no box: neither at the start nor from the keyring
    }
    // Nothing of it in a file of the program folder.
    EXPECT_FALSE(readFile(workPath(u"Rankhold.ini"_s)).contains("s3cret"));
    {
        auto form = makeForm();
        EXPECT_EQ(control<QLineEdit>(*form, "Edit15")->text(), u"webuser"_s);
        EXPECT_EQ(control<QLineEdit>(*form, "Edit16")->text(), u"s3cret p\u00e4ss"_s);
        EXPECT_TRUE(control<QAction>(*form, "RememberPasswords1")->isChecked());
        control<QAction>(*form, "RememberPasswords1")->trigger(); // forget
    }
    EXPECT_EQ(platform::keyring::read(KeyringItem::kFtpLogin).status, platform::keyring::Status::NotFound);
    auto form = makeForm();
    EXPECT_EQ(control<QLineEdit>(*form, "Edit16")->text(), u"sundrops"_s);
    EXPECT_FALSE(control<QAction>(*form, "RememberPasswords1")->isChecked());
}

TEST_F(MainWindowTest, WithoutAKeyringTheItemSaysSoAndStoresNothing)
{
    // MainWindowTest gives every window a session bus that is not there.
    auto form = makeForm();
    QAction *item = control<QAction>(*form, "RememberPasswords1");
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    ASSERT_EQ(hooks().count(Dialogs::Kind::Message), 1);
    EXPECT_TRUE(hooks().shown.back().text.startsWith(u"No keyring service can be reached"_s))
        << hooks().shown.back().text.toStdString();
    EXPECT_EQ(platform::keyring::write(KeyringItem::kFtpLogin, u"x"_s).status, platform::keyring::Status::NoService);
}
