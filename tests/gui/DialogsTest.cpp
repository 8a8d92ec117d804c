// The real boxes, as a person sees them: answered from a timer while their
// modal loop runs.
#include "gui/Dialogs.h"

#include "commands/StartUp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Runs `inspect` on the box once it is open, then clicks the button with the
// text `answer` (the box's only button when `answer` is empty).
void whenBoxOpens(std::function<void(QMessageBox *)> inspect, const QString &answer = QString())
{
    QTimer::singleShot(0, [inspect = std::move(inspect), answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspect(box);
        const auto buttons = box->buttons();
        for (QAbstractButton *button : buttons) {
            if (answer.isEmpty() ? buttons.size() == 1 : button->text() == answer) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << answer.toStdString();
        box->reject();
    });
}

QStringList buttonTexts(QMessageBox *box)
{
    QStringList texts;
    for (QAbstractButton *button : box->buttons())
        texts << button->text();
    texts.sort();
    return texts;
}

} // namespace

TEST(DialogsTest, WarningBoxAsksYesOrNo)
{
    ASSERT_FALSE(Dialogs::testHooks().enabled);
    for (const bool yes : {true, false}) {
        whenBoxOpens(
            [](QMessageBox *box) {
                EXPECT_EQ(box->windowTitle(), u"Warning"_s);
                EXPECT_EQ(box->icon(), QMessageBox::Warning);
                EXPECT_EQ(box->text(), u"This will delete ALL records, are you sure ?"_s);
                EXPECT_EQ(buttonTexts(box), (QStringList{u"&No"_s, u"&Yes"_s}));
            },
            yes ? u"&Yes"_s : u"&No"_s);
        EXPECT_EQ(Dialogs::warningYesNo(nullptr, u"This will delete ALL records, are you sure ?"_s), yes);
    }
}

TEST(DialogsTest, ErrorAndMessageBoxes)
{
    whenBoxOpens([](QMessageBox *box) {
        EXPECT_EQ(box->windowTitle(), u"Rankhold"_s);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->text(), u"Cannot open file /x/header.txt."_s);
    });
    Dialogs::error(nullptr, u"Cannot open file /x/header.txt"_s);

    // The missing-game message: its two carriage returns show as an empty line.
    whenBoxOpens([](QMessageBox *box) {
        EXPECT_EQ(box->windowTitle(), u"Rankhold"_s);
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_TRUE(box->text().startsWith(u"Cannot find Delta Force Land Warrior\n\nUse the Set DFLW Folder"_s));
    });
    Dialogs::message(nullptr, kMissingGameText);
    EXPECT_TRUE(Dialogs::testHooks().shown.empty());
}
