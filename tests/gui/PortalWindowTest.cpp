// Extra > Player Portal...: the switch and "Open in browser".
#include "MainWindowFixture.h"

#include "commands/MainCommands.h"
#include "gui/PortalWindow.h"
#include "settings/PortalSwitch.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

TEST_F(MainWindowTest, PlayerPortalWindowSwitchesThePortalAndOpensItsIndex)
{
    makeDatabase();
    auto form = makeForm();
    const ProgramFolder folder = form->state().programFolder;
    control<QAction>(*form, "PlayerPortal1")->trigger();
    auto *window = form->findChild<PortalWindow *>(u"PortalWindow"_s);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    auto *enabled = window->findChild<QCheckBox *>(u"PortalEnabled"_s);
    auto *open = window->findChild<QPushButton *>(u"OpenPortal"_s);
    ASSERT_TRUE(enabled && open);
    EXPECT_FALSE(enabled->isChecked());

    enabled->click();
    EXPECT_TRUE(portalEnabled(folder)) << "written at once, without Save Settings";

    hooks().clear();
    open->click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Message), 1) << "nothing to open before the first export";

    form->commands().exportStats();
    hooks().clear();
    open->click();
    ASSERT_EQ(hooks().count(Dialogs::Kind::OpenUrl), 1);
    EXPECT_EQ(hooks().shown.back().text, QUrl::fromLocalFile(folder.portalFolder() + u"/index.html"_s).toString());

    // An edit by hand shows when the window opens again.
    setPortalEnabled(folder, false);
    window->hide();
    control<QAction>(*form, "PlayerPortal1")->trigger();
    EXPECT_FALSE(enabled->isChecked());
}
