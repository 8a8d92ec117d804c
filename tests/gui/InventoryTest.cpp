// The main window's controls, as a test finds them by name: texts, states,
// labels, menu, status panels and timers.
#include "MainWindowFixture.h"

#include "common/CommandHost.h"
#include "gui/PanelStatusBar.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QLabel *buddyLabelOf(QWidget *window, QWidget *control)
{
    const auto labels = window->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->buddy() == control)
            return label;
    }
    return nullptr;
}

struct Labelled {
    const char *control;
    QString label;
};

} // namespace

TEST_F(MainWindowTest, WindowIsFixedSizeWithoutMaximize)
{
    auto form = makeForm();
    EXPECT_EQ(form->windowTitle(), u"Vornik's Rankhold v1.0c"_s);
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    form->show();
    // The client area below the menu bar: the picture over the status bar.
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    EXPECT_EQ(form->width(), 737);
    EXPECT_EQ(form->centralWidget()->height() + status->height(), 526);
    auto *image = control<QLabel>(*form, "Image1");
    EXPECT_FALSE(image->pixmap().isNull());
    EXPECT_TRUE(image->hasScaledContents());
    EXPECT_EQ(image->geometry(), form->centralWidget()->rect());
    EXPECT_FALSE(form->backgroundPicture().isNull());
    const QList<QSize> iconSizes = form->windowIcon().availableSizes();
    for (const int size : {32, 48, 64, 128, 256})
        EXPECT_TRUE(iconSizes.contains(QSize(size, size))) << size;
}

TEST_F(MainWindowTest, EveryControlWithItsLabel)
{
    auto form = makeForm();
    const Labelled labelled[] = {
        {"Label5", u"Number of records:"_s},
        {"Label6", u"Number of players:"_s},
        {"Label7", u"Filesize:"_s},
        {"CheckBox1", u"Ranking by Total Kills"_s},
        {"CheckBox17", u"Ranking by Total Deaths"_s},
        {"CheckBox2", u"Ranking by Total Flags"_s},
        {"CheckBox3", u"Ranking by Total Zonetime"_s},
        {"CheckBox6", u"Ranking by Total Targets"_s},
        {"CheckBox5", u"Ranking by Best Ratio (in 1 game)"_s},
        {"CheckBox7", u"Create Top 10 per ranking (on 1 page)\nin addition to complete rankings"_s},
        {"CheckBox18", u"Use Filter(s)"_s},
        {"Edit19", u"1."_s},
        {"Edit20", u"2."_s},
        {"Edit21", u"3."_s},
        {"CheckBox4", u"Import Scores.txt after each map"_s},
        {"CheckBox9", u"Create and upload HTML by FTP after each import"_s},
        {"Label20", u"CPU Speed:"_s},
        {"Label17", u"Memory Usage:"_s},
        {"Label18", u"Disk Free Space:"_s},
        {"Label68", u"Operating System:"_s},
        {"CheckBox8", u"Kestrand\n(DFLW and Rankhold)"_s},
        {"CheckBox16", u"Turn all HTML Creation\nand Scheduled Tasks on\nwhen running game"_s},
        {"Edit14", u"FTP server:"_s},
        {"Edit15", u"Username:"_s},
        {"Edit16", u"Password:"_s},
        {"Edit17", u"Directory:"_s},
        {"Memo2", u"HTML Header:"_s},
        {"Memo3", u"HTML Footer:"_s},
        {"Edit5", u"Fontface:"_s},
        {"Edit1", u"Fontcolor:"_s},
        {"Edit3", u"Fontsize:"_s},
        {"CheckBox10", u"Bold"_s},
        {"CheckBox11", u"Italic"_s},
        {"CheckBox12", u"Underlined"_s},
        {"Edit7", u"Backgroundcolor:"_s},
        {"Edit10", u"Borderwidth:"_s},
        {"Edit11", u"Cellpadding:"_s},
        {"Edit12", u"Cellspacing:"_s},
        {"Edit13", u"Width:"_s},
        {"Edit9", u"Background:"_s},
    };
    for (const auto &[name, text] : labelled) {
        QWidget *widget = control<QWidget>(*form, name);
        QLabel *label = buddyLabelOf(form.get(), widget);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), text) << name;
        EXPECT_TRUE(label->isVisibleTo(form.get())) << name;
        // Value labels are read out by their caption, like the controls.
        if (!qobject_cast<QLabel *>(widget)) {
            EXPECT_TRUE(widget->accessibleName().startsWith(QString(text).replace(u'\n', u' '))) << name;
        }
    }
    // The fields column shares its row captions with the titles column.
    EXPECT_EQ(control<QLineEdit>(*form, "Edit6")->accessibleName(), u"Fontface: (Fields)"_s);
    EXPECT_EQ(control<QCheckBox>(*form, "CheckBox15")->accessibleName(), u"Underlined (Fields)"_s);
}

TEST_F(MainWindowTest, InitialTextsAndStates)
{
    auto form = makeForm();
    const std::pair<const char *, QString> edits[] = {
        {"Edit1", u"black"_s},     {"Edit2", u"black"_s},
        {"Edit3", u"2"_s},         {"Edit4", u"2"_s},
        {"Edit5", u"arial"_s},     {"Edit6", u"arial"_s},
        {"Edit7", u"white"_s},     {"Edit8", u"white"_s},
        {"Edit9", u"white"_s},     {"Edit10", u"0"_s},
        {"Edit11", u"0"_s},        {"Edit12", u"0"_s},
        {"Edit13", u"100"_s},      {"Edit14", kDefaultFtpServer},
        {"Edit15", u"username"_s}, {"Edit16", u"sundrops"_s},
        {"Edit17", QString()},     {"Edit19", QString()},
        {"Edit20", QString()},     {"Edit21", QString()},
    };
    for (const auto &[name, text] : edits) {
        auto *edit = control<QLineEdit>(*form, name);
        EXPECT_EQ(edit->text(), text) << name;
        EXPECT_TRUE(edit->isEnabled()) << name;
        EXPECT_EQ(edit->maxLength(), 32767) << name; // Qt's default: no limit of our own
    }
    EXPECT_EQ(form->findChild<QLineEdit *>(u"Edit18"_s), nullptr);

    auto *password = control<QLineEdit>(*form, "Edit16");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    password->ensurePolished();
    EXPECT_EQ(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password), int(u'*'));

    for (int i = 1; i <= 18; ++i) {
        const QByteArray name = "CheckBox" + QByteArray::number(i);
        auto *box = control<QCheckBox>(*form, name.constData());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->text().isEmpty()) << i;
        EXPECT_EQ(box->size(), QSize(13, 13)) << i;
        EXPECT_EQ(box->isChecked(), i == 10) << i;
        EXPECT_EQ(box->isEnabled(), i != 10) << i;
    }

    EXPECT_EQ(control<QPlainTextEdit>(*form, "Memo2")->toPlainText(), u"<HTML>\n<BODY BGCOLOR=\"WHITE\">\n"_s);
    EXPECT_EQ(control<QPlainTextEdit>(*form, "Memo3")->toPlainText(), u"</BODY>\n</HTML>\n"_s);
    EXPECT_FALSE(control<QPlainTextEdit>(*form, "Memo1")->isVisibleTo(form.get()));
    const Settings settings = form->readSettings();
    EXPECT_EQ(settings.header, Settings().header);
    EXPECT_EQ(settings.footer, Settings().footer);

    EXPECT_EQ(control<QPushButton>(*form, "Button1")->text(), u"Run DFLW stat-enabled"_s);
    EXPECT_EQ(control<QPushButton>(*form, "Button2")->text(), u"Edit Game Settings"_s);
}

TEST_F(MainWindowTest, LabelColoursAndHeadings)
{
    auto form = makeForm();
    form->show();
    const QColor red(0xff, 0, 0), olive(0x80, 0x80, 0), maroon(0x80, 0, 0);
    const QStringList headings = {u"Database Info"_s, u"HTML Creation"_s, u"Scheduled Tasks"_s, u"System Info"_s,
                                  u"Game"_s,          u"FTP Settings"_s,  u"HTML Layout"_s,     u"Table Options for"_s};
    const auto labels = form->findChildren<QLabel *>();
    for (const QString &heading : headings) {
        const auto it = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->text() == heading; });
        ASSERT_NE(it, labels.end()) << heading.toStdString();
        EXPECT_TRUE((*it)->font().bold()) << heading.toStdString();
        EXPECT_TRUE((*it)->font().underline()) << heading.toStdString();
        EXPECT_EQ((*it)->palette().color(QPalette::WindowText), red) << heading.toStdString();
    }
    auto *value = control<QLabel>(*form, "Label20");
    EXPECT_TRUE(value->font().bold());
    EXPECT_EQ(value->palette().color(QPalette::WindowText), olive);
    auto *edit = control<QLineEdit>(*form, "Edit5");
    EXPECT_EQ(edit->palette().color(QPalette::Base), maroon);
    EXPECT_EQ(edit->palette().color(QPalette::Text), olive);
}

TEST_F(MainWindowTest, StatusPanelsAndProgressBar)
{
    // No database here: start-up stops at the connection and panel 0 keeps its text.
    auto form = makeForm();
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    ASSERT_EQ(status->panelCount(), 3);
    EXPECT_EQ(status->panelWidth(0), 150);
    EXPECT_EQ(status->panelWidth(1), 150);
    EXPECT_EQ(status->panelWidth(2), 50);
    EXPECT_EQ(status->panelText(0), kConnectionClosed);
    EXPECT_EQ(status->panelText(1), kIdle);
    EXPECT_EQ(status->panelText(2), QString());

    auto *progress = control<QProgressBar>(*form, "ProgressBar1");
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_EQ(progress->value(), 0);
    form->show();
    EXPECT_EQ(progress->parentWidget(), status);
    EXPECT_EQ(progress->geometry(), status->panelRect(2));
    EXPECT_TRUE(progress->isVisible());
    EXPECT_GE(status->panelRect(2).left(), 300);
}

TEST_F(MainWindowTest, MenuBarItemsAndHandlers)
{
    auto form = makeForm();
    QStringList items;
    std::function<void(QMenu *, const QString &)> walk = [&](QMenu *menu, const QString &path) {
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            EXPECT_TRUE(action->isEnabled());
            // The keyring item is a switch of its own, beside the items of old.
            EXPECT_EQ(action->isCheckable(), action->objectName() == u"RememberPasswords1"_s);
            if (action->menu())
                walk(action->menu(), path + action->text() + u" > "_s);
            else
                items << path + action->text() + u" = "_s + action->objectName();
        }
    };
    // The titles carry their Alt mnemonics ("&File"); the items carry none.
    for (QAction *top : form->menuBar()->actions())
        walk(top->menu(), QString(top->text()).remove(u'&') + u" > "_s);
    const QStringList expected = {
        u"File > Import Scores.txt = ImportScorestxt1"_s,
        u"File > Export Stats to HTML = ExportStatshtml1"_s,
        u"File > Upload HTML by FTP = UploadHTMLbyFTP1"_s,
        u"File > Save Settings = SaveSettings1"_s,
        u"File > Exit = Exit1"_s,
        u"Extra > Database Maintenance > Compact Quellmoor database = RepairQuellmoordatabase1"_s,
        u"Extra > Database Maintenance > Open/Close Quellmoor database = CloseQuellmoordatabase1"_s,
        u"Extra > Database Maintenance > Delete all Records = DeleteallRecords1"_s,
        u"Extra > Database Maintenance > Delete Records matching filter(s) = Delet1"_s,
        u"Extra > Database Maintenance > Delete Records not matching filter(s) = DeleteRecordsnotmatchingfilter1"_s,
        u"Extra > Edit Game Settings = EditGameSettings1"_s,
        u"Extra > Run DFLW stat-enabled = RunDFLWstatenabled1"_s,
        u"Extra > Set DFLW folder = SetDFLWfolder1"_s,
        u"Extra > Set DFLW game host... = SetDFLWgamehost1"_s,
        u"Extra > Player Portal... = PlayerPortal1"_s,
        u"Extra > Players... = Players1"_s,
        u"Extra > Webhook... = Webhook1"_s,
        u"Extra > Remember passwords in the keyring = RememberPasswords1"_s,
        u"About > Read Rankhold.txt = ReadRankholdtxt1"_s,
        u"About > Visit rankhold.sourceforge.io = VisitWebsite1"_s,
    };
    EXPECT_EQ(items, expected);

    hooks().clear();
    control<QAction>(*form, "VisitWebsite1")->trigger();
    ASSERT_EQ(hooks().count(Dialogs::Kind::OpenUrl), 1);
    EXPECT_EQ(hooks().shown.back().text, u"https://rankhold.sourceforge.io"_s);
}

TEST_F(MainWindowTest, TimersAtStart)
{
    auto form = makeForm();
    const std::tuple<const char *, int, bool> timers[] = {
        {"Timer1", 30000, false}, {"Timer2", 1000, true}, {"Timer3", 10, false}};
    for (const auto &[name, interval, active] : timers) {
        const auto all = form->findChildren<QTimer *>(QString::fromLatin1(name));
        ASSERT_EQ(all.size(), 1) << name;
        EXPECT_EQ(all.front()->interval(), interval) << name;
        EXPECT_EQ(all.front()->isActive(), active) << name;
    }
}
