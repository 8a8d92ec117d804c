// Extra > Players...: the window changes who is who through its controls.
#include "MainWindowFixture.h"

#include "gui/PlayersWindow.h"
#include "gui/TForm1.h"
#include "scores/PlayerDatabase.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>

using namespace Qt::StringLiterals;

TEST_F(MainWindowTest, PlayersWindowMergesHidesAndLogsThroughItsControls)
{
    makeDatabase();
    {
        PlayerDatabase db;
        db.setFileName(workPath(u"Rankhold.mdb"_s));
        ASSERT_TRUE(
            QSqlQuery(db.connection())
                .exec(u"INSERT INTO player (Id, Player, Kills, Game, Date, Time) VALUES ('1', 'Ghost   ', 1, "
                      "'A', '1', '1'), ('2', '[DF]Ghost   ', 2, 'A', '2', '2'), ('3', 'Bot   ', 3, 'A', '1', '1')"_s));
    }
    auto form = makeForm();
    control<QAction>(*form, "Players1")->trigger();
    auto *window = form->findChild<PlayersWindow *>(u"PlayersWindow"_s);
    ASSERT_TRUE(window && window->isVisible());
    auto *list = window->findChild<QTableWidget *>(u"PlayersList"_s);
    const auto choose = [&](const QString &shown) {
        window->findChild<QLineEdit *>(u"PlayersFind"_s)->setText(shown);
        for (int r = 0; r < list->rowCount(); ++r) {
            if (list->item(r, 0)->text() == shown)
                list->selectRow(r);
        }
    };
    ASSERT_EQ(list->rowCount(), 3);

    choose(u"[DF]Ghost"_s);
    window->findChild<QComboBox *>(u"PlayersInto"_s)->setCurrentText(u"Ghost"_s);
    window->findChild<QPushButton *>(u"PlayersMerge"_s)->click();
    choose(u"Bot"_s);
    window->findChild<QPushButton *>(u"PlayersHide"_s)->click();
    EXPECT_EQ(hooks().count(Dialogs::Kind::Error), 0);
    QStringList rows;
    for (int r = 0; r < list->rowCount(); ++r)
        rows.append(list->item(r, 0)->text() + u'|' + list->item(r, 2)->text() + u'|' + list->item(r, 3)->text());
    EXPECT_EQ(rows, (QStringList{u"Bot||hidden"_s, u"Ghost||"_s, u"[DF]Ghost|Ghost|"_s}));
    EXPECT_TRUE(window->findChild<QPlainTextEdit *>(u"PlayersLog"_s)->toPlainText().endsWith(u"hide \"Bot\""_s));
    // A hidden name is not merged: refused, in the error box.
    window->findChild<QComboBox *>(u"PlayersInto"_s)->setCurrentText(u"Ghost"_s);
    window->findChild<QPushButton *>(u"PlayersMerge"_s)->click();
    EXPECT_EQ(hooks().count(Dialogs::Kind::Error), 1);
}
