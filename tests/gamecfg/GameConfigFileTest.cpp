#include "ConfigFixture.h"

#include "common/RankholdError.h"
#include "gamecfg/GameConfigFile.h"
#include "gamecfg/GameConfigTable.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
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
    expected.checks = {.showIntroMovie = true,
                       .useShadows = true,
                       .shellcasingEffect = true,
                       .smokeEffect = true,
                       .allowAbilities = true,
                       .scopeDrift = true,
                       .weaponRecoil = true,
                       .matchPreset2 = true,
                       .droppedWeaponsDisappear = true,
                       .respawnWithPrimary = true,
                       .destroyableBuildings = true};
    expected.choices.gameResolution = 1; // game_res 5 -> 800x600
    expected.choices.terrainDetail = 2;
    expected.choices.objectDetail = 1;
    expected.choices.colorDepth = 1;
    expected.choices.terrainGeometry = 1;
    expected.choices.gametype = 5;
    expected.choices.maxPlayers = 15; // "16"
    expected.choices.serveOnly = 1;
    expected.choices.selectTeam = 3;
    expected.choices.replay = 2;
    expected.choices.numberOfTeams = 1;
    expected.choices.gpsMode = 2;
    expected.choices.wind = 1;
    expected.texts.playerGamePassword = u"player"_s;
    expected.texts.serverGamePassword = u"server"_s;
    expected.texts.teamPassword = u""_s;
    expected.texts.gameName = u"Rankhold Test"_s;
    expected.texts.country = u"NL"_s;
    expected.texts.redPassword = u"red"_s;
    expected.texts.bluePassword = u"blue"_s;
    expected.texts.yellowPassword = u"yellow"_s;
    expected.texts.violetPassword = u"violet"_s;
    expected.texts.maxKills = u"12345678"_s;
    expected.texts.startDelay = u"10"_s;
    expected.texts.timeLimit = u"30"_s;
    expected.texts.zoneTime = u"5"_s;
    expected.texts.timeout = u"120"_s;
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
        bool GameSettingsValues::Checks::*check;  // a check box, or
        int GameSettingsValues::Choices::*choice; // a list
        int value;                                // ticked 1 / clear 0, or the entry
    };
    using Checks = GameSettingsValues::Checks;
    using Choices = GameSettingsValues::Choices;
    const State states[] = {
        {8, u"game_res         = 4", nullptr, &Choices::gameResolution, 0},
        {8, u"game_res         = 6", nullptr, &Choices::gameResolution, 2},
        {9, u"no_anim          = 1", &Checks::showIntroMovie, nullptr, 0},
        {16, u"terrain_texture_res  = 0", nullptr, &Choices::terrainDetail, 0},
        {16, u"terrain_texture_res  = 1", nullptr, &Choices::terrainDetail, 1},
        {17, u"object_res       = 0", nullptr, &Choices::objectDetail, 0},
        {17, u"object_res       = 2", nullptr, &Choices::objectDetail, 2},
        {18, u"bit_depth        = 16", nullptr, &Choices::colorDepth, 0},
        {19, u"terrain_geometry   = 0", nullptr, &Choices::terrainGeometry, 0},
        {20, u"shadows          = 0", &Checks::useShadows, nullptr, 0},
        {21, u"NoBlood          = 0", &Checks::bloodEffect, nullptr, 1},
        {22, u"NoCasings        = 1", &Checks::shellcasingEffect, nullptr, 0},
        {23, u"NoSmoke\t      = 1", &Checks::smokeEffect, nullptr, 0},
        {28, u"showgun          = 1", &Checks::displayWeapon, nullptr, 1},
        {43, u"mp_gametype      = 0", nullptr, &Choices::gametype, 0},
        {43, u"mp_gametype      = 8", nullptr, &Choices::gametype, 8},
        {45, u"dedicated        = 0", nullptr, &Choices::serveOnly, 0},
        {52, u"destroybuild     = 0", &Checks::destroyableBuildings, nullptr, 0},
        {53, u"deathmes         = 1", &Checks::deathMessages, nullptr, 1},
        {54, u"replay           = 0", nullptr, &Choices::replay, 0},
        {54, u"replay           = 1", nullptr, &Choices::replay, 1},
        {58, u"mp_numteams      = 2", nullptr, &Choices::numberOfTeams, 0},
        {82, u"play_exit_credits     = 1", &Checks::playExitCredits, nullptr, 1},
        {83, u"mp_NoCharAbilities = 1", &Checks::allowAbilities, nullptr, 0},
        {84, u"mp_NoCrossHairSpread = 0", &Checks::crosshairSpread, nullptr, 1},
        {85, u"mp_NoScopeDrift  = 1", &Checks::scopeDrift, nullptr, 0},
        {87, u"mp_gpsicons      = 0", nullptr, &Choices::gpsMode, 0},
        {87, u"mp_gpsicons      = 1", nullptr, &Choices::gpsMode, 1},
        {88, u"mp_wind          = 0", nullptr, &Choices::wind, 0},
        {88, u"mp_wind          = 2", nullptr, &Choices::wind, 2},
        {89, u"mp_DroppedWeaponDisappear = 1", &Checks::droppedWeaponsDisappear, nullptr, 0},
        {90, u"mp_NoDropWeapons = 0", &Checks::dropWeapons, nullptr, 1},
        {91, u"mp_NoRespawnWithPrimary = 1", &Checks::respawnWithPrimary, nullptr, 0},
    };
    for (const State &s : states) {
        QStringList lines = fixtureLines();
        lines[s.line] = QString::fromUtf16(s.text);
        writeLines(lines);
        GameSettingsValues v;
        config.load(path(), v);
        if (s.check)
            EXPECT_EQ(v.checks.*s.check, s.value == 1) << s.line;
        else
            EXPECT_EQ(v.choices.*s.choice, s.value) << s.line;
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
    v.choices.gameResolution = 2; // an earlier choice stays
    config.load(path(), v);
    EXPECT_FALSE(v.checks.useShadows);
    EXPECT_FALSE(v.checks.weaponRecoil);
    EXPECT_EQ(v.choices.gameResolution, 2);
    EXPECT_EQ(v.choices.gpsMode, -1);

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
    QStringList saved = saveWith([](GameSettingsValues &v) { v.checks.weaponRecoil = true; });
    EXPECT_EQ(saved[86], u"mp_NoWeaponRecoil= 0"_s);
    GameSettingsValues loaded;
    config.load(path(), loaded);
    EXPECT_TRUE(loaded.checks.weaponRecoil);

    saved = saveWith([](GameSettingsValues &v) { v.checks.weaponRecoil = false; });
    EXPECT_EQ(saved[86], u"mp_NoWeaponRecoil = 1"_s);
    config.load(path(), loaded);
    EXPECT_FALSE(loaded.checks.weaponRecoil);

    // The clear state without the blank is mended and written at once.
    QStringList lines = fixtureLines();
    lines[86] = u"mp_NoWeaponRecoil= 1"_s;
    writeLines(lines);
    GameSettingsValues fresh;
    config.load(path(), fresh);
    EXPECT_FALSE(fresh.checks.weaponRecoil);
    lines[86] = u"mp_NoWeaponRecoil = 1"_s;
    EXPECT_EQ(readFile(path()), fixtureBytes(lines, "\r\n"));
    EXPECT_EQ(config.lines(), lines);
    EXPECT_FALSE(config.changedOnDisk(path())) << "its own repair is no change";
    EXPECT_TRUE(fresh.checks.scopeDrift) << "the load goes on after the repair";
    EXPECT_EQ(fresh.choices.gpsMode, 2);
}

TEST_F(GameConfigFileTest, WritesTheTableStringsForEveryState)
{
    writeLines(fixtureLines());
    QStringList saved = saveWith([](GameSettingsValues &v) {
        v.checks = {};
        v.checks.smokeEffect = true; // smoke on: its tab is kept
        v.choices.gameResolution = 0;
        v.choices.gametype = 8;
        v.choices.maxPlayers = 0;
        v.choices.selectTeam = 0;
        v.texts.teamPassword = u""_s;
        v.texts.gameName = u" say \"hi\" "_s; // written as typed
        v.texts.maxKills = u"many"_s;
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

    saved = saveWith([](GameSettingsValues &v) { v.checks.smokeEffect = false; });
    EXPECT_EQ(saved[23], u"NoSmoke\t      = 1"_s);
}

TEST_F(GameConfigFileTest, PresetsDecideLine32OnlyWhenTicked)
{
    QStringList lines = fixtureLines();
    lines[32] = u"mpattrib         = 512"_s;
    writeLines(lines);
    EXPECT_EQ(saveWith([](GameSettingsValues &) {})[32], u"mpattrib         = 512"_s);
    EXPECT_EQ(saveWith([](GameSettingsValues &v) { v.checks.matchPreset1 = true; })[32], u"mpattrib         = 515"_s);

    GameSettingsValues loaded;
    config.load(path(), loaded);
    EXPECT_TRUE(loaded.checks.matchPreset1);
    EXPECT_FALSE(loaded.checks.matchPreset2);
    EXPECT_EQ(saveWith([](GameSettingsValues &v) {
                  v.checks.matchPreset1 = false;
                  v.checks.matchPreset2 = true;
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
    EXPECT_EQ(v.choices.maxPlayers, -1);
    EXPECT_EQ(v.choices.selectTeam, -1);
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
    EXPECT_EQ(v.texts.timeout, u"120"_s) << "the lines read before keep their values";
    EXPECT_EQ(v.choices.selectTeam, -1) << "line 50 comes after line 44";
}

TEST_F(GameConfigFileTest, ShortFileStopsLoadAndSaveAtTheFirstMissingLine)
{
    writeLines(fixtureLines().mid(0, 50));
    GameSettingsValues v;
    v.texts.gameName = u"kept"_s;
    EXPECT_EQ(loadError(v), "List index out of bounds (52)");
    EXPECT_EQ(v.choices.gameResolution, 1) << "set before the missing line";
    EXPECT_TRUE(v.checks.showIntroMovie);
    EXPECT_EQ(v.texts.gameName, u"kept"_s) << "text lines come after the lists and boxes";

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
    for (const gamecfg::ConfigLine &entry : gamecfg::configLines()) {
        for (bool GameSettingsValues::Checks::*box : {entry.check, entry.check2}) {
            if (box)
                v.checks.*box = true;
        }
    }
    ASSERT_NE(v.checks, GameSettingsValues::Checks{});
    v.choices.replay = 1;
    v.texts.serverGamePassword = u"x"_s;
    config.load(path(), v);
    GameSettingsValues expected;
    expected.choices.replay = 1;
    expected.texts.serverGamePassword = u"x"_s;
    EXPECT_EQ(v, expected);
    EXPECT_FALSE(config.isLoaded());

    EXPECT_THROW(config.save(path(), v), RankholdError);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_TRUE(GameConfigFile::configPath(QString()).endsWith(u"/dflw.cfg"_s));
}

TEST_F(GameConfigFileTest, ReplacesTheFileAsAWholeLeavingNoTemporaryFile)
{
    writeLines(fixtureLines());
    saveWith([](GameSettingsValues &v) { v.texts.country = u"DE"_s; });
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"dflw.cfg"_s});
    EXPECT_EQ(linesOnDisk()[76], u"country          = \"DE\""_s);
}

// Each way another program can leave a new version of the file is seen; the
// file's own loads and saves are not.
TEST_F(GameConfigFileTest, ChangedOnDiskTellsEveryOtherVersionOfTheFile)
{
    EXPECT_TRUE(config.changedOnDisk(path())) << "nothing loaded yet";
    GameSettingsValues v;
    config.load(path(), v);
    EXPECT_FALSE(config.changedOnDisk(path())) << "missing, and still missing";
    writeLines(fixtureLines());
    EXPECT_TRUE(config.changedOnDisk(path())) << "made after the load";

    const QString copy = path() + u".new"_s;
    const QList<std::pair<const char *, std::function<void()>>> changes = {
        {"written in place", [&] { writeLines(fixtureLines() << u"// one line more"_s); }},
        {"replaced by the same bytes",
         [&] {
             writeFile(copy, readFile(path()));
             ASSERT_TRUE(std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path()).constData()) == 0);
         }},
        {"removed", [&] { QFile::remove(path()); }},
    };
    for (const auto &[what, change] : changes) {
        writeLines(fixtureLines());
        config.load(path(), v);
        EXPECT_FALSE(config.changedOnDisk(path())) << what;
        EXPECT_TRUE(config.changedOnDisk(path() + u"2"_s)) << "another file";
        change();
        EXPECT_TRUE(config.changedOnDisk(path())) << what;
        EXPECT_TRUE(config.changedOnDisk(path())) << what << ": asking does not forget it";
        config.keepOverDiskVersion(path());
        EXPECT_FALSE(config.changedOnDisk(path())) << what << ": kept over";
    }

    writeLines(fixtureLines());
    config.load(path(), v);
    writeLines(fixtureLines() << u"// one line more"_s);
    config.save(path(), v);
    EXPECT_FALSE(config.changedOnDisk(path())) << "its own save";
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
    EXPECT_EQ(v.texts.country, u"Germany"_s);
    EXPECT_EQ(v.choices.maxPlayers, 15);
    config.save(path, v);
    EXPECT_EQ(readFile(path), original);
}

} // namespace
