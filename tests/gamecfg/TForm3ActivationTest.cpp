#include "ConfigFixture.h"

#include "gamecfg/GameConfigFile.h"
#include "gui/Dialogs.h"
#include "gui/TForm3.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

// With real boxes: a file that fails to load shows its error once per
// activation, and coming back from that box is not a new activation. Were it
// one, every OK would bring the same box back and the window could never be
// used again.
TEST(TForm3ActivationTest, ComingBackFromTheErrorBoxDoesNotReloadIntoTheSameError)
{
    QTemporaryDir dir;
    writeFile(GameConfigFile::configPath(dir.path()), fixtureBytes(fixtureLines().mid(0, 50)));
    Dialogs::testHooks().clear();
    Dialogs::testHooks().enabled = false;

    int boxes = 0;
    TForm3 *form = nullptr;
    QTimer user;
    user.setInterval(30);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            ++boxes;
            EXPECT_EQ(box->text(), u"List index out of bounds (52)"_s);
            box->accept();
        } else if (form && form->isVisible() && !QApplication::activeWindow() && boxes < 5) {
            // What a window manager does when a box closes: the focus goes
            // back to the window the box belonged to.
            form->activateWindow();
        }
    });
    user.start();

    TForm3 window([&] { return dir.path(); });
    EXPECT_EQ(boxes, 1) << "the load at creation";
    form = &window;
    window.show();
    window.activateWindow();
    QTest::qWait(600);
    EXPECT_EQ(boxes, 2) << "one more for the activation, and no more";
    EXPECT_EQ(QApplication::activeWindow(), &window);

    // Going to another window and back is a new activation, with a new load.
    QWidget other;
    other.show();
    other.activateWindow();
    QTest::qWait(100);
    window.activateWindow();
    QTest::qWait(300);
    EXPECT_EQ(boxes, 3);
}
