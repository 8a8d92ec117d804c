#include "ConfigFixture.h"

#include "gamecfg/GameConfigFile.h"
#include "gui/Dialogs.h"
#include "gui/TForm3.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class TForm3Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::testHooks().clear();
        Dialogs::testHooks().enabled = true;
    }
    void TearDown() override
    {
        Dialogs::testHooks().clear();
        Dialogs::testHooks().enabled = false;
    }
    QString path() const { return GameConfigFile::configPath(dir.path()); }
    std::unique_ptr<TForm3> makeForm()
    {
        return std::make_unique<TForm3>([this] { return dir.path(); });
    }
    template <typename T> static T *control(QWidget *form, const QString &name)
    {
        T *w = form->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << qPrintable(name);
        return w;
    }
    QStringList errorsShown() const
    {
        QStringList texts;
        for (const Dialogs::Shown &s : Dialogs::testHooks().shown) {
            if (s.kind == Dialogs::Kind::Error)
                texts << s.text;
        }
        return texts;
    }

    static void activate(QWidget &form)
    {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&form, &activate);
    }

    QTemporaryDir dir;
};

TEST_F(TForm3Test, HasEveryControlWithItsLabelEntriesAndLimits)
{
    auto form = makeForm();
    EXPECT_EQ(form->windowTitle(), u"Vornik's Rankhold Land Warrior Game Settings"_s);
    EXPECT_EQ(form->minimumSize(), QSize(607, 541));
    EXPECT_EQ(form->maximumSize(), QSize(607, 541));
    EXPECT_TRUE(form->isHidden());

    // Every control has a label that names it for accessibility.
    auto labelled = [&](QWidget *w, const QString &labelText) {
        ASSERT_NE(w, nullptr);
        const QList<QLabel *> labels = form->findChildren<QLabel *>();
        const auto it = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == w; });
        ASSERT_NE(it, labels.end()) << qPrintable(w->objectName());
        EXPECT_EQ((*it)->text(), labelText);
        EXPECT_FALSE(w->accessibleName().isEmpty());
        EXPECT_TRUE(labelText.startsWith(w->accessibleName()));
    };
    const QStringList checkLabels = {u"Show Intromovie"_s,
                                     u"Use Shadows"_s,
                                     u"Blood Effect"_s,
                                     u"Shellcasing Effect"_s,
                                     u"Smoke Effect"_s,
                                     u"Display weapon"_s,
                                     u"Allow Abilities"_s,
                                     u"Crosshairspread"_s,
                                     u"Scopedrift"_s,
                                     u"Weaponrecoil"_s,
                                     u"Common matchsetting 1"_s,
                                     u"Common matchsetting 2"_s,
                                     u"Dropped weapons dissappear"_s,
                                     u"Drop weapons"_s,
                                     u"Respawn with Primary Weapon"_s,
                                     u"Destroyable Buildings"_s,
                                     u"Death Messages"_s,
                                     u"Play exit credits"_s};
    for (int i = 1; i <= 18; ++i) {
        auto *box = control<QCheckBox>(form.get(), u"CheckBox%1"_s.arg(i));
        labelled(box, checkLabels.at(i - 1));
        EXPECT_TRUE(box->text().isEmpty());
        EXPECT_FALSE(box->isChecked());
    }
    const QList<std::pair<QString, QStringList>> lists = {
        {u"Serve Only:"_s, {u"No"_s, u"Yes"_s}},
        {u"Nr. of Teams:"_s, {u"2"_s, u"4"_s}},
        {u"Max. Players:"_s, {}},
        {u"Replay:"_s, {u"No"_s, u"Map"_s, u"Cycle"_s}},
        {u"Game Resolution:"_s, {u"640x480"_s, u"800x600"_s, u"1024x768"_s}},
        {u"Color Depth:"_s, {u"16 bit"_s, u"32 bit"_s}},
        {u"GPS mode:"_s, {u"Show Friendly"_s, u"Default"_s, u"Show Everything"_s}},
        {u"Wind:"_s, {u"Default"_s, u"None"_s, u"Random"_s}},
        {u"Terrain Geometry:"_s, {u"Normal"_s, u"High"_s}},
        {u"Terrain Detail:"_s, {u"High"_s, u"Medium"_s, u"Low"_s}},
        {u"Object Detail:"_s, {u"High"_s, u"Medium"_s, u"Low"_s}},
        {u"Gametype:"_s, {u"COOP"_s, u"DM"_s, u"TDM"_s, u"KOTH"_s, u"TKOTH"_s, u"CTF"_s, u"S&D"_s, u"A&D"_s, u"PR"_s}},
        {u"Select Team:"_s, {u"Any"_s, u"Blue"_s, u"Red"_s, u"Yellow"_s, u"Violet"_s}},
    };
    for (int i = 1; i <= 13; ++i) {
        auto *box = control<QComboBox>(form.get(), u"ComboBox%1"_s.arg(i));
        labelled(box, lists.at(i - 1).first);
        QStringList entries;
        for (int k = 0; k < box->count(); ++k)
            entries << box->itemText(k);
        QStringList expected = lists.at(i - 1).second;
        if (i == 3) {
            for (int n = 1; n <= 16; ++n)
                expected << QString::number(n);
        }
        EXPECT_EQ(entries, expected) << i;
        EXPECT_EQ(box->currentIndex(), -1) << i;
        EXPECT_FALSE(box->isEditable());
    }
    const QList<std::pair<QString, int>> edits = {
        {u"Gamepass:"_s, 15},   {u"Gamepass:"_s, 15},    {u"Teampass:"_s, 15},    {u"Red Pass:"_s, 15},
        {u"Blue pass:"_s, 15},  {u"Yellow Pass:"_s, 15}, {u"Violet Pass:"_s, 15}, {u"Country:"_s, 15},
        {u"Gamename:"_s, 15},   {u"Time Limit:"_s, 3},   {u"Max.Kills:"_s, 8},    {u"Zonetime:"_s, 3},
        {u"Start Delay:"_s, 3}, {u"Timeout Box:"_s, 3},
    };
    for (int i = 1; i <= 14; ++i) {
        auto *edit = control<QLineEdit>(form.get(), u"Edit%1"_s.arg(i));
        labelled(edit, edits.at(i - 1).first);
        EXPECT_EQ(edit->maxLength(), edits.at(i - 1).second) << i;
        EXPECT_TRUE(edit->text().isEmpty());
    }
    EXPECT_EQ(control<QPushButton>(form.get(), u"resetButton"_s)->text(), u"Reset"_s);
    EXPECT_EQ(control<QPushButton>(form.get(), u"saveButton"_s)->text(), u"Save"_s);
    EXPECT_TRUE(errorsShown().isEmpty()) << "a missing file is not reported";
}

TEST_F(TForm3Test, LoadsOnCreationResetDiscardsEditsAndSaveWrites)
{
    writeFile(path(), fixtureBytes(fixtureLines()));
    auto form = makeForm();
    auto *gamename = control<QLineEdit>(form.get(), u"Edit9"_s);
    auto *players = control<QComboBox>(form.get(), u"ComboBox3"_s);
    EXPECT_EQ(gamename->text(), u"Rankhold Test"_s);
    EXPECT_EQ(players->currentText(), u"16"_s);
    EXPECT_TRUE(control<QCheckBox>(form.get(), u"CheckBox12"_s)->isChecked());

    gamename->setText(u"Changed"_s);
    players->setCurrentIndex(7);
    QTest::mouseClick(control<QPushButton>(form.get(), u"resetButton"_s), Qt::LeftButton);
    EXPECT_EQ(gamename->text(), u"Rankhold Test"_s);
    EXPECT_EQ(players->currentText(), u"16"_s);

    gamename->setText(u"Changed"_s);
    players->setCurrentIndex(7);
    QTest::mouseClick(control<QPushButton>(form.get(), u"saveButton"_s), Qt::LeftButton);
    QStringList expected = fixtureLines();
    expected[39] = u"game_name        = \"Changed\""_s;
    expected[44] = u"maxplayers       = 8"_s;
    EXPECT_EQ(readFile(path()), fixtureBytes(expected, "\r\n"));
    EXPECT_TRUE(errorsShown().isEmpty());
}

// Each control, changed alone and saved, changes the one line it stands for.
TEST_F(TForm3Test, EveryControlWritesItsOwnLine)
{
    QStringList lines = fixtureLines();
    lines[32] = u"mpattrib         = 512"_s; // neither preset, so either one changes it
    const QList<std::pair<QString, int>> controls = {
        {u"CheckBox1"_s, 9},   {u"CheckBox2"_s, 20},  {u"CheckBox3"_s, 21},  {u"CheckBox4"_s, 22},
        {u"CheckBox5"_s, 23},  {u"CheckBox6"_s, 28},  {u"CheckBox7"_s, 83},  {u"CheckBox8"_s, 84},
        {u"CheckBox9"_s, 85},  {u"CheckBox10"_s, 86}, {u"CheckBox11"_s, 32}, {u"CheckBox12"_s, 32},
        {u"CheckBox13"_s, 89}, {u"CheckBox14"_s, 90}, {u"CheckBox15"_s, 91}, {u"CheckBox16"_s, 52},
        {u"CheckBox17"_s, 53}, {u"CheckBox18"_s, 82}, {u"ComboBox1"_s, 45},  {u"ComboBox2"_s, 58},
        {u"ComboBox3"_s, 44},  {u"ComboBox4"_s, 54},  {u"ComboBox5"_s, 8},   {u"ComboBox6"_s, 18},
        {u"ComboBox7"_s, 87},  {u"ComboBox8"_s, 88},  {u"ComboBox9"_s, 19},  {u"ComboBox10"_s, 16},
        {u"ComboBox11"_s, 17}, {u"ComboBox12"_s, 43}, {u"ComboBox13"_s, 50}, {u"Edit1"_s, 37},
        {u"Edit2"_s, 36},      {u"Edit3"_s, 38},      {u"Edit4"_s, 77},      {u"Edit5"_s, 78},
        {u"Edit6"_s, 79},      {u"Edit7"_s, 80},      {u"Edit8"_s, 76},      {u"Edit9"_s, 39},
        {u"Edit10"_s, 55},     {u"Edit11"_s, 49},     {u"Edit12"_s, 56},     {u"Edit13"_s, 51},
        {u"Edit14"_s, 57},
    };
    writeFile(path(), fixtureBytes(lines));
    auto form = makeForm();
    for (const auto &[name, line] : controls) {
        writeFile(path(), fixtureBytes(lines));
        form->loadSettings();
        QWidget *w = control<QWidget>(form.get(), name);
        if (auto *box = qobject_cast<QCheckBox *>(w))
            box->click();
        else if (auto *list = qobject_cast<QComboBox *>(w))
            list->setCurrentIndex((list->currentIndex() + 1) % list->count());
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            edit->setText(u"7"_s);
        form->saveSettings();
        const QStringList saved = QString::fromLatin1(readFile(path())).split(u"\r\n"_s);
        QList<int> changed;
        for (int i = 0; i < lines.size(); ++i) {
            if (saved.value(i) != lines.at(i))
                changed << i;
        }
        EXPECT_EQ(changed, QList<int>{line}) << qPrintable(name);
    }
    EXPECT_TRUE(errorsShown().isEmpty());
}

// Coming back to the window reads the file again only when another program
// changed it; edits made here are never thrown away without asking.
TEST_F(TForm3Test, ActivationRereadsOnlyAChangedFileAndAsksBeforeDroppingEdits)
{
    struct Case {
        const char *what;
        bool fileChanged;
        bool edited;
        bool answer; // to the question, when there is one
        bool reloads;
        int questions;
    };
    const Case cases[] = {
        {"unchanged file, edits", false, true, true, false, 0},
        {"changed file, no edits", true, false, true, true, 0},
        {"changed file, edits, load the file", true, true, true, true, 1},
        {"changed file, edits, keep the edits", true, true, false, false, 1},
    };
    QStringList changed = fixtureLines();
    changed[76] = u"country          = \"Deutschland\""_s;
    for (const Case &c : cases) {
        writeFile(path(), fixtureBytes(fixtureLines()));
        auto form = makeForm();
        auto *country = control<QLineEdit>(form.get(), u"Edit8"_s);
        auto *gamename = control<QLineEdit>(form.get(), u"Edit9"_s);
        Dialogs::testHooks().clear();
        Dialogs::testHooks().answers = {c.answer};
        if (c.edited)
            gamename->setText(u"Mine"_s);
        if (c.fileChanged)
            writeFile(path(), fixtureBytes(changed));

        activate(*form);
        EXPECT_EQ(country->text(), c.reloads ? u"Deutschland"_s : u"NL"_s) << c.what;
        EXPECT_EQ(gamename->text(), c.edited && !c.reloads ? u"Mine"_s : u"Rankhold Test"_s) << c.what;
        EXPECT_EQ(Dialogs::testHooks().count(Dialogs::Kind::Question), c.questions) << c.what;
        if (c.questions > 0) {
            EXPECT_EQ(Dialogs::testHooks().shown.front().text, kChangedOnDiskQuestion);
        }

        // Once answered, the same version of the file asks nothing more.
        activate(*form);
        EXPECT_EQ(Dialogs::testHooks().count(Dialogs::Kind::Question), c.questions) << c.what;
        EXPECT_EQ(gamename->text(), c.edited && !c.reloads ? u"Mine"_s : u"Rankhold Test"_s) << c.what;
    }
    EXPECT_TRUE(errorsShown().isEmpty());
}

TEST_F(TForm3Test, KeptEditsAreSavedOverTheChangedFileAndResetStillReloads)
{
    writeFile(path(), fixtureBytes(fixtureLines()));
    auto form = makeForm();
    auto *gamename = control<QLineEdit>(form.get(), u"Edit9"_s);
    gamename->setText(u"Mine"_s);
    QStringList changed = fixtureLines();
    changed[76] = u"country          = \"Deutschland\""_s;
    writeFile(path(), fixtureBytes(changed));
    Dialogs::testHooks().answers = {false};
    activate(*form);
    form->saveSettings();
    QStringList expected = fixtureLines();
    expected[39] = u"game_name        = \"Mine\""_s;
    EXPECT_EQ(readFile(path()), fixtureBytes(expected, "\r\n"));

    // After a save the window holds no edits, so a change on disk loads at once.
    writeFile(path(), fixtureBytes(changed));
    activate(*form);
    EXPECT_EQ(control<QLineEdit>(form.get(), u"Edit8"_s)->text(), u"Deutschland"_s);
    EXPECT_EQ(Dialogs::testHooks().count(Dialogs::Kind::Question), 1);

    // Reset reads the file whether or not it changed.
    gamename->setText(u"Edited again"_s);
    QTest::mouseClick(control<QPushButton>(form.get(), u"resetButton"_s), Qt::LeftButton);
    EXPECT_EQ(gamename->text(), u"Rankhold Test"_s);
    EXPECT_EQ(Dialogs::testHooks().count(Dialogs::Kind::Question), 1);
}

TEST_F(TForm3Test, AValueLongerThanItsBoxIsKeptWhole)
{
    QStringList lines = fixtureLines();
    lines[57] = u"timeout          = 12345"_s;
    writeFile(path(), fixtureBytes(lines));
    auto form = makeForm();
    EXPECT_EQ(control<QLineEdit>(form.get(), u"Edit14"_s)->text(), u"12345"_s);
    form->saveSettings();
    EXPECT_EQ(readFile(path()), fixtureBytes(lines, "\r\n"));
}

TEST_F(TForm3Test, PresetsExcludeEachOther)
{
    auto form = makeForm();
    auto *preset1 = control<QCheckBox>(form.get(), u"CheckBox11"_s);
    auto *preset2 = control<QCheckBox>(form.get(), u"CheckBox12"_s);
    preset2->click();
    preset1->click();
    EXPECT_TRUE(preset1->isChecked());
    EXPECT_FALSE(preset2->isChecked());
    preset2->click();
    EXPECT_FALSE(preset1->isChecked());
    EXPECT_TRUE(preset2->isChecked());
    preset2->click();
    EXPECT_FALSE(preset1->isChecked()) << "clearing a preset changes nothing else";
    EXPECT_FALSE(preset2->isChecked());
}

TEST_F(TForm3Test, ErrorsGoToTheStandardErrorBox)
{
    writeFile(path(), fixtureBytes(fixtureLines().mid(0, 50)));
    auto form = makeForm();
    EXPECT_EQ(errorsShown(), QStringList{u"List index out of bounds (52)"_s});
    EXPECT_EQ(control<QComboBox>(form.get(), u"ComboBox5"_s)->currentText(), u"800x600"_s);
    ASSERT_FALSE(Dialogs::testHooks().shown.empty());
    EXPECT_EQ(Dialogs::testHooks().shown.front().title, u"Rankhold"_s);

    QFile::remove(path());
    Dialogs::testHooks().clear();
    Dialogs::testHooks().enabled = true;
    auto fresh = makeForm();
    fresh->saveSettings();
    ASSERT_EQ(errorsShown().size(), 1);
    EXPECT_TRUE(errorsShown().front().startsWith(u"No game configuration"_s));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(TForm3Test, ClosingOnlyHides)
{
    auto form = makeForm();
    form->setBackground(QPixmap(8, 8));
    form->show();
    ASSERT_TRUE(form->isVisible());
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isHidden());
    form->show();
    EXPECT_TRUE(form->isVisible());

    // Closing the main window ends the program even with this one open.
    QWidget mainWindow;
    mainWindow.show();
    bool endedByClose = false;
    QTimer::singleShot(0, &mainWindow, [&mainWindow] { mainWindow.close(); });
    QTimer::singleShot(2000, qApp, [] { QApplication::exit(1); });
    endedByClose = QApplication::exec() == 0;
    EXPECT_TRUE(endedByClose);
}

} // namespace
