#include "ConfigFixture.h"

#include "core/RankholdError.h"
#include "gamecfg/GameConfigFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class GameConfigFileTest : public ::testing::Test
{
protected:
    QString path() const { return GameConfigFile::configPath(dir.path()); }
    void writeLines(const QStringList &lines, const QByteArray &lineEnd = "\n")
    {
        writeFile(path(), fixtureBytes(lines, lineEnd));
    }
    QStringList linesOnDisk() const
    {
        const QByteArray bytes = readFile(path());
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        QStringList lines = QString::fromLatin1(bytes).split(u"\r\n"_s);
        lines.removeLast();
        return lines;
    }
    // Loads the file, changes the values, saves, and returns the file's lines.
    template <typename Change> QStringList saveWith(Change change)
    {
        GameSettingsValues values;
        config.load(path(), values);
        change(values);
        config.save(path(), values);
        return linesOnDisk();
    }
    std::string loadError(GameSettingsValues &values)
    {
        try {
            config.load(path(), values);
        } catch (const RankholdError &e) {
            return e.message().toStdString();
        }
        return "no error";
    }

    QTemporaryDir dir;
    GameConfigFile config;
};

TEST_F(GameConfigFileTest, LoadsEveryManagedLineIntoItsControl)
{
    writeLines(fixtureLines());
    GameSettingsValues v;
    config.load(path(), v);

    GameSettingsValues expected;
    for (const int ticked : {1, 2, 4, 5, 7, 9, 10, 12, 13, 15, 16})
        expected.checkBox(ticked) = true;
    expected.comboBox(5) = 1; // game_res 5 -> 800x600
    expected.comboBox(10) = 2;
    expected.comboBox(11) = 1;
    expected.comboBox(6) = 1;
    expected.comboBox(9) = 1;
    expected.comboBox(12) = 5;
    expected.comboBox(3) = 15; // "16"
    expected.comboBox(1) = 1;
    expected.comboBox(13) = 3;
    expected.comboBox(4) = 2;
    expected.comboBox(2) = 1;
    expected.comboBox(7) = 2;
    expected.comboBox(8) = 1;
    expected.edit(2) = u"player"_s;
    expected.edit(1) = u"server"_s;
    expected.edit(3) = u""_s;
    expected.edit(9) = u"Rankhold Test"_s;
    expected.edit(8) = u"NL"_s;
    expected.edit(4) = u"red"_s;
    expected.edit(5) = u"blue"_s;
    expected.edit(6) = u"yellow"_s;
    expected.edit(7) = u"violet"_s;
    expected.edit(11) = u"12345678"_s;
    expected.edit(13) = u"10"_s;
    expected.edit(10) = u"30"_s;
    expected.edit(12) = u"5"_s;
    expected.edit(14) = u"120"_s;
    EXPECT_EQ(v, expected);
}

TEST_F(GameConfigFileTest, SaveWithoutChangesWritesTheFileBackWithCrLf)
{
    // Untouched lines carry every byte from 0x80 to 0xFF, some undefined in
    // Windows-1252, and the line ends are mixed.
    QByteArray bytes;
    const QStringList lines = fixtureLines();
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high.append(char(b));
    QByteArray expected;
    const QByteArray ends[] = {"\n", "\r\n", "\r"};
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i).toLatin1();
        if (line.startsWith("// untouched"))
            line += ' ' + high;
        bytes += line + ends[i % 3];
        expected += line + "\r\n";
    }
    writeFile(path(), bytes);

    GameSettingsValues v;
    config.load(path(), v);
    EXPECT_EQ(readFile(path()), bytes) << "load alone writes nothing";
    config.save(path(), v);
    EXPECT_EQ(readFile(path()), expected);
}

// Every state of every list and check box, as the game's file spells it:
// each is read as its state and written back as the same string.
TEST_F(GameConfigFileTest, EveryStateStringReadsAndWritesItself)
{
    struct State {
        int line;
        const char16_t *text;
        char kind; // 'x' check box, 'c' list
        int control;
        int value; // ticked 1 / clear 0, or the entry
    };
    const State states[] = {
        {8, u"game_res         = 4", 'c', 5, 0},
        {8, u"game_res         = 6", 'c', 5, 2},
        {9, u"no_anim          = 1", 'x', 1, 0},
        {16, u"terrain_texture_res  = 0", 'c', 10, 0},
        {16, u"terrain_texture_res  = 1", 'c', 10, 1},
        {17, u"object_res       = 0", 'c', 11, 0},
        {17, u"object_res       = 2", 'c', 11, 2},
        {18, u"bit_depth        = 16", 'c', 6, 0},
        {19, u"terrain_geometry   = 0", 'c', 9, 0},
        {20, u"shadows          = 0", 'x', 2, 0},
        {21, u"NoBlood          = 0", 'x', 3, 1},
        {22, u"NoCasings        = 1", 'x', 4, 0},
        {23, u"NoSmoke\t      = 1", 'x', 5, 0},
        {28, u"showgun          = 1", 'x', 6, 1},
        {43, u"mp_gametype      = 0", 'c', 12, 0},
        {43, u"mp_gametype      = 8", 'c', 12, 8},
        {45, u"dedicated        = 0", 'c', 1, 0},
        {52, u"destroybuild     = 0", 'x', 16, 0},
        {53, u"deathmes         = 1", 'x', 17, 1},
        {54, u"replay           = 0", 'c', 4, 0},
        {54, u"replay           = 1", 'c', 4, 1},
        {58, u"mp_numteams      = 2", 'c', 2, 0},
        {82, u"play_exit_credits     = 1", 'x', 18, 1},
        {83, u"mp_NoCharAbilities = 1", 'x', 7, 0},
        {84, u"mp_NoCrossHairSpread = 0", 'x', 8, 1},
        {85, u"mp_NoScopeDrift  = 1", 'x', 9, 0},
        {87, u"mp_gpsicons      = 0", 'c', 7, 0},
        {87, u"mp_gpsicons      = 1", 'c', 7, 1},
        {88, u"mp_wind          = 0", 'c', 8, 0},
        {88, u"mp_wind          = 2", 'c', 8, 2},
        {89, u"mp_DroppedWeaponDisappear = 1", 'x', 13, 0},
        {90, u"mp_NoDropWeapons = 0", 'x', 14, 1},
        {91, u"mp_NoRespawnWithPrimary = 1", 'x', 15, 0},
    };
    for (const State &s : states) {
        QStringList lines = fixtureLines();
        lines[s.line] = QString::fromUtf16(s.text);
        writeLines(lines);
        GameSettingsValues v;
        config.load(path(), v);
        if (s.kind == 'x')
            EXPECT_EQ(v.checkBox(s.control), s.value == 1) << s.line;
        else
            EXPECT_EQ(v.comboBox(s.control), s.value) << s.line;
        config.save(path(), v);
        EXPECT_EQ(linesOnDisk(), lines) << s.line;
    }
}

TEST_F(GameConfigFileTest, OtherSpacingLoadsAsClearOrNoChoice)
{
    QStringList lines = fixtureLines();
    lines[20] = u"shadows = 1"_s;
    lines[8] = u"game_res = 5"_s;
    lines[87] = u"mp_gpsicons = 2"_s;
    lines[86] = u"mp_NoWeaponRecoil = 0"_s; // neither load string
    writeLines(lines);

    GameSettingsValues v;
    v.comboBox(5) = 2; // an earlier choice stays
    config.load(path(), v);
    EXPECT_FALSE(v.checkBox(2));
    EXPECT_FALSE(v.checkBox(10));
    EXPECT_EQ(v.comboBox(5), 2);
    EXPECT_EQ(v.comboBox(7), -1);

    config.save(path(), v);
    const QStringList saved = linesOnDisk();
    EXPECT_EQ(saved[20], u"shadows          = 0"_s);
    EXPECT_EQ(saved[8], u"game_res         = 6"_s);
    EXPECT_EQ(saved[87], u"mp_gpsicons = 2"_s) << "no choice: the line stays as read";
    EXPECT_EQ(saved[86], u"mp_NoWeaponRecoil = 1"_s);
}

TEST_F(GameConfigFileTest, WeaponrecoilRoundTripsAndItsClearLineIsRepairedAtLoad)
{
    writeLines(fixtureLines());
    QStringList saved = saveWith([](GameSettingsValues &v) { v.checkBox(10) = true; });
    EXPECT_EQ(saved[86], u"mp_NoWeaponRecoil= 0"_s);
    GameSettingsValues v;
    config.load(path(), v);
    EXPECT_TRUE(v.checkBox(10));

    saved = saveWith([](GameSettingsValues &v) { v.checkBox(10) = false; });
    EXPECT_EQ(saved[86], u"mp_NoWeaponRecoil = 1"_s);
    config.load(path(), v);
    EXPECT_FALSE(v.checkBox(10));

    // The clear state without the blank is mended and written at once.
    QStringList lines = fixtureLines();
    lines[86] = u"mp_NoWeaponRecoil= 1"_s;
    writeLines(lines);
    GameSettingsValues fresh;
    config.load(path(), fresh);
    EXPECT_FALSE(fresh.checkBox(10));
    lines[86] = u"mp_NoWeaponRecoil = 1"_s;
    EXPECT_EQ(readFile(path()), fixtureBytes(lines, "\r\n"));
    EXPECT_EQ(config.lines(), lines);
    EXPECT_TRUE(fresh.checkBox(9)) << "the load goes on after the repair";
    EXPECT_EQ(fresh.comboBox(7), 2);
}

TEST_F(GameConfigFileTest, WritesTheTableStringsForEveryState)
{
    writeLines(fixtureLines());
    QStringList saved = saveWith([](GameSettingsValues &v) {
        v.checks.fill(false);
        v.checkBox(5) = true; // smoke on: its tab is kept
        v.comboBox(5) = 0;
        v.comboBox(12) = 8;
        v.comboBox(3) = 0;
        v.comboBox(13) = 0;
        v.edit(3) = u""_s;
        v.edit(9) = u" say \"hi\" "_s; // written as typed
        v.edit(11) = u"many"_s;
    });
    EXPECT_EQ(saved[23], u"NoSmoke\t      = 0"_s);
    EXPECT_EQ(saved[9], u"no_anim          = 1"_s);
    EXPECT_EQ(saved[89], u"mp_DroppedWeaponDisappear = 1"_s);
    EXPECT_EQ(saved[82], u"play_exit_credits     = 0"_s);
    EXPECT_EQ(saved[8], u"game_res         = 4"_s);
    EXPECT_EQ(saved[43], u"mp_gametype      = 8"_s);
    EXPECT_EQ(saved[44], u"maxplayers       = 1"_s);
    EXPECT_EQ(saved[50], u"team_req         = 0"_s);
    EXPECT_EQ(saved[38], u"squad_password   = \"\""_s);
    EXPECT_EQ(saved[39], u"game_name        = \" say \"hi\" \""_s);
    EXPECT_EQ(saved[49], u"max_kills        = many"_s);

    saved = saveWith([](GameSettingsValues &v) { v.checkBox(5) = false; });
    EXPECT_EQ(saved[23], u"NoSmoke\t      = 1"_s);
}

TEST_F(GameConfigFileTest, PresetsDecideLine32OnlyWhenTicked)
{
    QStringList lines = fixtureLines();
    lines[32] = u"mpattrib         = 512"_s;
    writeLines(lines);
    EXPECT_EQ(saveWith([](GameSettingsValues &) {})[32], u"mpattrib         = 512"_s);
    EXPECT_EQ(saveWith([](GameSettingsValues &v) { v.checkBox(11) = true; })[32], u"mpattrib         = 515"_s);

    GameSettingsValues v;
    config.load(path(), v);
    EXPECT_TRUE(v.checkBox(11));
    EXPECT_FALSE(v.checkBox(12));
    EXPECT_EQ(saveWith([](GameSettingsValues &v) {
                  v.checkBox(11) = false;
                  v.checkBox(12) = true;
              })[32],
              u"mpattrib         = 513"_s);
}

TEST_F(GameConfigFileTest, ListsWithoutAnEntryKeepTheirOldNumberLines)
{
    QStringList lines = fixtureLines();
    lines[44] = u"maxplayers       = 17"_s;
    lines[50] = u"team_req         = -1"_s;
    writeLines(lines);
    GameSettingsValues v;
    config.load(path(), v);
    EXPECT_EQ(v.comboBox(3), -1);
    EXPECT_EQ(v.comboBox(13), -1);
    config.save(path(), v);
    const QStringList saved = linesOnDisk();
    EXPECT_EQ(saved[44], lines[44]);
    EXPECT_EQ(saved[50], lines[50]);
}

TEST_F(GameConfigFileTest, NonIntegerPlayerCountStopsTheLoad)
{
    QStringList lines = fixtureLines();
    lines[44] = u"maxplayers       = 8 "_s;
    writeLines(lines);
    GameSettingsValues v;
    EXPECT_EQ(loadError(v), "'8 ' is not a valid integer value");
    EXPECT_EQ(v.edit(14), u"120"_s) << "the lines read before keep their values";
    EXPECT_EQ(v.comboBox(13), -1) << "line 50 comes after line 44";
}

TEST_F(GameConfigFileTest, ShortFileStopsLoadAndSaveAtTheFirstMissingLine)
{
    writeLines(fixtureLines().mid(0, 50));
    GameSettingsValues v;
    v.edit(9) = u"kept"_s;
    EXPECT_EQ(loadError(v), "List index out of bounds (52)");
    EXPECT_EQ(v.comboBox(5), 1) << "set before the missing line";
    EXPECT_TRUE(v.checkBox(1));
    EXPECT_EQ(v.edit(9), u"kept"_s) << "text lines come after the lists and boxes";

    const QByteArray before = readFile(path());
    try {
        config.save(path(), v);
        FAIL() << "a short file must not be saved";
    } catch (const RankholdError &e) {
        EXPECT_EQ(e.message(), u"List index out of bounds (52)"_s);
    }
    EXPECT_EQ(readFile(path()), before);
}

TEST_F(GameConfigFileTest, MissingFileClearsOnlyTheCheckBoxesAndSaveWritesNothing)
{
    GameSettingsValues v;
    v.checks.fill(true);
    v.comboBox(4) = 1;
    v.edit(1) = u"x"_s;
    config.load(path(), v);
    GameSettingsValues expected;
    expected.comboBox(4) = 1;
    expected.edit(1) = u"x"_s;
    EXPECT_EQ(v, expected);
    EXPECT_FALSE(config.isLoaded());

    EXPECT_THROW(config.save(path(), v), RankholdError);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_TRUE(GameConfigFile::configPath(QString()).endsWith(u"/dflw.cfg"_s));
}

TEST_F(GameConfigFileTest, ReplacesTheFileAsAWholeLeavingNoTemporaryFile)
{
    writeLines(fixtureLines());
    saveWith([](GameSettingsValues &v) { v.edit(8) = u"DE"_s; });
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"dflw.cfg"_s});
    EXPECT_EQ(linesOnDisk()[76], u"country          = \"DE\""_s);
}

} // namespace

namespace {

// The stand-in game's own configuration survives a load and a save unchanged.
TEST(StandInGameConfig, LoadsAndSavesUnchanged)
{
    const QByteArray original = readFile(sourcePath(u"standin/dflw.cfg"_s));
    if (original.isEmpty())
        GTEST_SKIP() << "no stand-in game in this tree";
    QTemporaryDir dir;
    const QString path = GameConfigFile::configPath(dir.path());
    writeFile(path, original);
    GameConfigFile config;
    GameSettingsValues v;
    config.load(path, v);
    EXPECT_EQ(v.edit(8), u"Germany"_s);
    EXPECT_EQ(v.comboBox(3), 15);
    config.save(path, v);
    EXPECT_EQ(readFile(path), original);
}

} // namespace
