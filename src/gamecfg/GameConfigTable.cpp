#include "gamecfg/GameConfigTable.h"

#include <QHash>

#include <cassert>

using namespace Qt::StringLiterals;

namespace gamecfg {

namespace {

using Checks = GameSettingsValues::Checks;
using Choices = GameSettingsValues::Choices;
using Texts = GameSettingsValues::Texts;

ConfigLine choice(int line, int Choices::*list, QStringList strings)
{
    return {.line = line, .kind = LineKind::Choice, .choice = list, .strings = std::move(strings)};
}

ConfigLine check(int line, bool Checks::*box, QString ticked, QString clear)
{
    return {.line = line, .kind = LineKind::Check, .check = box, .strings = {std::move(ticked), std::move(clear)}};
}

ConfigLine quoted(int line, QString Texts::*edit, QString prefix)
{
    return {.line = line, .kind = LineKind::QuotedText, .text = edit, .strings = {std::move(prefix)}};
}

ConfigLine text(int line, QString Texts::*edit, QString prefix)
{
    return {.line = line, .kind = LineKind::Text, .text = edit, .strings = {std::move(prefix)}};
}

QList<ConfigLine> buildTable()
{
    QList<ConfigLine> t;
    t << choice(8, &Choices::gameResolution,
                {u"game_res         = 4"_s, u"game_res         = 5"_s, u"game_res         = 6"_s});
    t << check(9, &Checks::showIntroMovie, u"no_anim          = 0"_s, u"no_anim          = 1"_s);
    t << choice(16, &Choices::terrainDetail,
                {u"terrain_texture_res  = 0"_s, u"terrain_texture_res  = 1"_s, u"terrain_texture_res  = 2"_s});
    t << choice(17, &Choices::objectDetail,
                {u"object_res       = 0"_s, u"object_res       = 1"_s, u"object_res       = 2"_s});
    t << choice(18, &Choices::colorDepth, {u"bit_depth        = 16"_s, u"bit_depth        = 32"_s});
    t << choice(19, &Choices::terrainGeometry, {u"terrain_geometry   = 0"_s, u"terrain_geometry   = 1"_s});
    t << check(20, &Checks::useShadows, u"shadows          = 1"_s, u"shadows          = 0"_s);
    t << check(21, &Checks::bloodEffect, u"NoBlood          = 0"_s, u"NoBlood          = 1"_s);
    t << check(22, &Checks::shellcasingEffect, u"NoCasings        = 0"_s, u"NoCasings        = 1"_s);
    // The game's own file has a tab in this line; it is kept as it is.
    t << check(23, &Checks::smokeEffect, u"NoSmoke\t      = 0"_s, u"NoSmoke\t      = 1"_s);
    t << check(28, &Checks::displayWeapon, u"showgun          = 1"_s, u"showgun          = 0"_s);
    t << ConfigLine{.line = 32,
                    .kind = LineKind::Preset,
                    .check = &Checks::matchPreset1,
                    .check2 = &Checks::matchPreset2,
                    .strings = {u"mpattrib         = 515"_s, u"mpattrib         = 513"_s}};
    t << quoted(36, &Texts::playerGamePassword, u"login_password   = "_s);
    t << quoted(37, &Texts::serverGamePassword, u"game_password    = "_s);
    t << quoted(38, &Texts::teamPassword, u"squad_password   = "_s);
    t << quoted(39, &Texts::gameName, u"game_name        = "_s);
    {
        QStringList gametypes;
        for (int i = 0; i <= 8; ++i)
            gametypes << u"mp_gametype      = %1"_s.arg(i);
        t << choice(43, &Choices::gametype, gametypes);
    }
    t << ConfigLine{.line = 44,
                    .kind = LineKind::EntryNumber,
                    .choice = &Choices::maxPlayers,
                    .strings = {u"maxplayers       = "_s},
                    .entries = 16};
    t << choice(45, &Choices::serveOnly, {u"dedicated        = 0"_s, u"dedicated        = 1"_s});
    t << text(49, &Texts::maxKills, u"max_kills        = "_s);
    t << ConfigLine{.line = 50,
                    .kind = LineKind::EntryPosition,
                    .choice = &Choices::selectTeam,
                    .strings = {u"team_req         = "_s},
                    .entries = 5};
    t << text(51, &Texts::startDelay, u"startdelay       = "_s);
    t << check(52, &Checks::destroyableBuildings, u"destroybuild     = 1"_s, u"destroybuild     = 0"_s);
    t << check(53, &Checks::deathMessages, u"deathmes         = 1"_s, u"deathmes         = 0"_s);
    t << choice(54, &Choices::replay,
                {u"replay           = 0"_s, u"replay           = 1"_s, u"replay           = 2"_s});
    t << text(55, &Texts::timeLimit, u"time_limit       = "_s);
    t << text(56, &Texts::zoneTime, u"koth_limit       = "_s);
    t << text(57, &Texts::timeout, u"timeout          = "_s);
    t << choice(58, &Choices::numberOfTeams, {u"mp_numteams      = 2"_s, u"mp_numteams      = 4"_s});
    t << quoted(76, &Texts::country, u"country          = "_s);
    t << quoted(77, &Texts::redPassword, u"red_password     = "_s);
    t << quoted(78, &Texts::bluePassword, u"blue_password    = "_s);
    t << quoted(79, &Texts::yellowPassword, u"yellow_password  = "_s);
    t << quoted(80, &Texts::violetPassword, u"violet_password  = "_s);
    t << check(82, &Checks::playExitCredits, u"play_exit_credits     = 1"_s, u"play_exit_credits     = 0"_s);
    t << check(83, &Checks::allowAbilities, u"mp_NoCharAbilities = 0"_s, u"mp_NoCharAbilities = 1"_s);
    t << check(84, &Checks::crosshairSpread, u"mp_NoCrossHairSpread = 0"_s, u"mp_NoCrossHairSpread = 1"_s);
    t << check(85, &Checks::scopeDrift, u"mp_NoScopeDrift  = 0"_s, u"mp_NoScopeDrift  = 1"_s);
    {
        // The two states differ in the blank before "=". A clear line written
        // without that blank would read as neither, so it is mended on load.
        ConfigLine recoil = check(86, &Checks::weaponRecoil, u"mp_NoWeaponRecoil= 0"_s, u"mp_NoWeaponRecoil = 1"_s);
        recoil.repairFrom = u"mp_NoWeaponRecoil= 1"_s;
        recoil.repairTo = u"mp_NoWeaponRecoil = 1"_s;
        t << recoil;
    }
    t << choice(87, &Choices::gpsMode,
                {u"mp_gpsicons      = 0"_s, u"mp_gpsicons      = 1"_s, u"mp_gpsicons      = 2"_s});
    t << choice(88, &Choices::wind, {u"mp_wind          = 0"_s, u"mp_wind          = 1"_s, u"mp_wind          = 2"_s});
    // Ticked writes 0 here too, like the keys that begin with "No".
    t << check(89, &Checks::droppedWeaponsDisappear, u"mp_DroppedWeaponDisappear = 0"_s,
               u"mp_DroppedWeaponDisappear = 1"_s);
    t << check(90, &Checks::dropWeapons, u"mp_NoDropWeapons = 0"_s, u"mp_NoDropWeapons = 1"_s);
    t << check(91, &Checks::respawnWithPrimary, u"mp_NoRespawnWithPrimary = 0"_s, u"mp_NoRespawnWithPrimary = 1"_s);
    return t;
}

// The lists, check boxes and presets in file order: the first part of both orders.
QList<int> stateLines()
{
    return {8,  9,  16, 17, 18, 19, 20, 21, 22, 23, 28, 32, 43, 45,
            52, 53, 54, 58, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91};
}

} // namespace

const QList<ConfigLine> &configLines()
{
    static const QList<ConfigLine> table = buildTable();
    return table;
}

const ConfigLine &configLine(int line)
{
    static const QHash<int, qsizetype> byLine = [] {
        QHash<int, qsizetype> h;
        const QList<ConfigLine> &t = configLines();
        for (qsizetype i = 0; i < t.size(); ++i)
            h.insert(t.at(i).line, i);
        return h;
    }();
    const auto it = byLine.constFind(line);
    assert(it != byLine.constEnd());
    return configLines().at(it.value());
}

const QList<int> &loadOrder()
{
    static const QList<int> order =
        stateLines() + QList<int>{36, 37, 38, 39, 76, 77, 78, 79, 80, 55, 49, 56, 51, 57, 44, 50};
    return order;
}

const QList<int> &saveOrder()
{
    static const QList<int> order =
        stateLines() + QList<int>{36, 38, 39, 37, 77, 78, 79, 80, 76, 55, 49, 56, 51, 57, 44, 50};
    return order;
}

} // namespace gamecfg
