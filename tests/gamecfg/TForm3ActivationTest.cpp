#include "ConfigFixture.h"

#include "gamecfg/GameConfigFile.h"
#include "gui/Dialogs.h"
#include "gui/TForm3.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// With real boxes: a user who answers every box that comes up (with No, or
// OK) and a window manager that gives the focus back to the window a box
// belonged to. Coming back from a box is an activation of the window; were
// it a new look at the file, every answer would bring the same box back and
// the window could never be used again.
class TForm3ActivationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::testHooks().clear();
        Dialogs::testHooks().enabled = false;
        user.setInterval(30);
        QObject::connect(&user, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << box->text();
                const QList<QAbstractButton *> buttons = box->buttons();
                for (QAbstractButton *b : buttons) {
                    if (b->text() == u"&No"_s) {
                        b->click();
                        return;
                    }
                }
                box->accept();
            } else if (form && form->isVisible() && !QApplication::activeWindow() && boxes.size() < 5) {
                form->activateWindow();
            }
        });
        user.start();
    }
    QString path() const { return GameConfigFile::configPath(dir.path()); }
    // Another window takes the focus, then this one gets it back.
    void leaveAndComeBack()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QTest::qWait(100);
        form->activateWindow();
        QTest::qWait(300);
    }

    QTemporaryDir dir;
    QTimer user;
    TForm3 *form = nullptr;
    QStringList boxes;
};

TEST_F(TForm3ActivationTest, AFileThatFailsToLoadShowsItsErrorOncePerVersion)
{
    writeFile(path(), fixtureBytes(fixtureLines().mid(0, 50)));
    TForm3 window([&] { return dir.path(); });
    EXPECT_EQ(boxes, QStringList{u"List index out of bounds (52)"_s}) << "the load at creation";
    form = &window;
    window.show();
    window.activateWindow();
    QTest::qWait(300);
    leaveAndComeBack();
    EXPECT_EQ(boxes.size(), 1) << "the same file is not read again";
    EXPECT_EQ(QApplication::activeWindow(), &window);

    // Another broken version: one box for it, and coming back from that box
    // reads nothing again.
    writeFile(path(), fixtureBytes(fixtureLines().mid(0, 40)));
    leaveAndComeBack();
    EXPECT_EQ(boxes, (QStringList{u"List index out of bounds (52)"_s, u"List index out of bounds (43)"_s}));
    EXPECT_EQ(QApplication::activeWindow(), &window);
}

TEST_F(TForm3ActivationTest, TheQuestionAboutKeptEditsComesOnce)
{
    writeFile(path(), fixtureBytes(fixtureLines()));
    TForm3 window([&] { return dir.path(); });
    form = &window;
    window.show();
    window.activateWindow();
    QTest::qWait(300);
    auto *gamename = window.findChild<QLineEdit *>(u"Edit9"_s);
    ASSERT_NE(gamename, nullptr);
    gamename->setText(u"Mine"_s);

    QStringList changed = fixtureLines();
    changed[76] = u"country          = \"Deutschland\""_s;
    writeFile(path(), fixtureBytes(changed));
    leaveAndComeBack();
    leaveAndComeBack();
    EXPECT_EQ(boxes, QStringList{Dialogs::displayText(kChangedOnDiskQuestion)});
    EXPECT_EQ(gamename->text(), u"Mine"_s) << "No keeps the edits";
    EXPECT_EQ(QApplication::activeWindow(), &window);
}

} // namespace
