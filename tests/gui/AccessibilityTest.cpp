// What assistive tools (screen readers) find of the windows, through Qt's
// accessibility interface: the status panels' texts, the game settings
// window as a dialog, and menus that open from the keyboard.
#include "MainWindowFixture.h"

#include "gui/PanelStatusBar.h"
#include "gui/TForm3.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(iface, nullptr);
    return iface;
}

} // namespace

TEST_F(MainWindowTest, StatusPanelsAreReadAsTexts)
{
    auto form = makeForm();
    form->show();
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    QAccessibleInterface *bar = accessible(status);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::StatusBar);
    ASSERT_EQ(bar->childCount(), 4) << "three panels, then the progress bar placed on them";
    const QStringList texts = {u"Database connection: Closed"_s, u"Idle"_s, QString()};
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface *panel = bar->child(i);
        ASSERT_NE(panel, nullptr) << i;
        EXPECT_EQ(panel->role(), QAccessible::StaticText) << i;
        EXPECT_EQ(panel->text(QAccessible::Name), texts.at(i)) << i;
        EXPECT_EQ(panel->rect(),
                  QRect(status->mapToGlobal(status->panelRect(i).topLeft()), status->panelRect(i).size()));
        EXPECT_EQ(panel->parent(), bar);
        EXPECT_EQ(bar->indexOfChild(panel), i);
        EXPECT_EQ(bar->child(i), panel) << "the same panel every time";
    }
    EXPECT_EQ(bar->child(3)->role(), QAccessible::ProgressBar);
    EXPECT_EQ(bar->indexOfChild(bar->child(3)), 3);
    const QRect activity = bar->child(1)->rect();
    EXPECT_EQ(bar->childAt(activity.center().x(), activity.center().y()), bar->child(1));

    // A new text is read at once.
    status->setPanelText(1, u"Exporting HTML"_s);
    EXPECT_EQ(bar->child(1)->text(QAccessible::Name), u"Exporting HTML"_s);
}

TEST_F(MainWindowTest, GameSettingsWindowIsADialogToAssistiveTools)
{
    TForm3 settings([] { return QString(); });
    QAccessibleInterface *window = accessible(&settings);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Dialog);
    EXPECT_EQ(window->text(QAccessible::Name), u"Vornik's Rankhold Land Warrior Game Settings"_s);
}

TEST_F(MainWindowTest, MenusOpenWithAltAndTheirLetter)
{
    auto form = makeForm();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    QAccessibleInterface *bar = accessible(form->menuBar());
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (int i = 0; i < bar->childCount(); ++i)
        titles << bar->child(i)->text(QAccessible::Name);
    EXPECT_EQ(titles, (QStringList{u"File"_s, u"Extra"_s, u"About"_s}));

    const std::pair<Qt::Key, const char *> menus[] = {
        {Qt::Key_F, "File1"}, {Qt::Key_E, "Extra1"}, {Qt::Key_A, "About1"}};
    for (const auto &[key, name] : menus) {
        auto *menu = control<QMenu>(*form, name);
        ASSERT_NE(menu, nullptr);
        EXPECT_FALSE(menu->isVisible()) << name;
        QTest::keyClick(form.get(), key, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 1000)) << name;
        menu->close();
        EXPECT_TRUE(QTest::qWaitFor([menu] { return !menu->isVisible(); }, 1000)) << name;
    }
}
