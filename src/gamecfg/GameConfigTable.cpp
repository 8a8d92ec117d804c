#include "gamecfg/GameConfigTable.h"

#include <QHash>

#include <cassert>

using namespace Qt::StringLiterals;

namespace gamecfg {

namespace {

ConfigLine choice(int line, int comboBox, QStringList strings)
{
    return {line, LineKind::Choice, comboBox, 0, std::move(strings), 0, {}, {}};
}

ConfigLine check(int line, int checkBox, QString ticked, QString clear)
{
    return {line, LineKind::Check, checkBox, 0, {std::move(ticked), std::move(clear)}, 0, {}, {}};
}

ConfigLine quoted(int line, int edit, QString prefix)
{
    return {line, LineKind::QuotedText, edit, 0, {std::move(prefix)}, 0, {}, {}};
}

ConfigLine text(int line, int edit, QString prefix)
{
    return {line, LineKind::Text, edit, 0, {std::move(prefix)}, 0, {}, {}};
}

QList<ConfigLine> buildTable()
{
    QList<ConfigLine> t;
    t << choice(8, 5, {u"game_res         = 4"_s, u"game_res         = 5"_s, u"game_res         = 6"_s});
    t << check(9, 1, u"no_anim          = 0"_s, u"no_anim          = 1"_s);
    t << choice(16, 10, {u"terrain_texture_res  = 0"_s, u"terrain_texture_res  = 1"_s, u"terrain_texture_res  = 2"_s});
    t << choice(17, 11, {u"object_res       = 0"_s, u"object_res       = 1"_s, u"object_res       = 2"_s});
    t << choice(18, 6, {u"bit_depth        = 16"_s, u"bit_depth        = 32"_s});
    t << choice(19, 9, {u"terrain_geometry   = 0"_s, u"terrain_geometry   = 1"_s});
    t << check(20, 2, u"shadows          = 1"_s, u"shadows          = 0"_s);
    t << check(21, 3, u"NoBlood          = 0"_s, u"NoBlood          = 1"_s);
    t << check(22, 4, u"NoCasings        = 0"_s, u"NoCasings        = 1"_s);
    // The game's own file has a tab in this line; it is kept as it is.
    t << check(23, 5, u"NoSmoke\t      = 0"_s, u"NoSmoke\t      = 1"_s);
    t << check(28, 6, u"showgun          = 1"_s, u"showgun          = 0"_s);
    t << ConfigLine{32, LineKind::Preset, 11, 12, {u"mpattrib         = 515"_s, u"mpattrib         = 513"_s}, 0, {},
                    {}};
    t << quoted(36, 2, u"login_password   = "_s);
    t << quoted(37, 1, u"game_password    = "_s);
    t << quoted(38, 3, u"squad_password   = "_s);
    t << quoted(39, 9, u"game_name        = "_s);
    {
        QStringList gametypes;
        for (int i = 0; i <= 8; ++i)
            gametypes << u"mp_gametype      = %1"_s.arg(i);
        t << choice(43, 12, gametypes);
    }
    t << ConfigLine{44, LineKind::EntryNumber, 3, 0, {u"maxplayers       = "_s}, 16, {}, {}};
    t << choice(45, 1, {u"dedicated        = 0"_s, u"dedicated        = 1"_s});
    t << text(49, 11, u"max_kills        = "_s);
    t << ConfigLine{50, LineKind::EntryPosition, 13, 0, {u"team_req         = "_s}, 5, {}, {}};
    t << text(51, 13, u"startdelay       = "_s);
    t << check(52, 16, u"destroybuild     = 1"_s, u"destroybuild     = 0"_s);
    t << check(53, 17, u"deathmes         = 1"_s, u"deathmes         = 0"_s);
    t << choice(54, 4, {u"replay           = 0"_s, u"replay           = 1"_s, u"replay           = 2"_s});
    t << text(55, 10, u"time_limit       = "_s);
    t << text(56, 12, u"koth_limit       = "_s);
    t << text(57, 14, u"timeout          = "_s);
    t << choice(58, 2, {u"mp_numteams      = 2"_s, u"mp_numteams      = 4"_s});
    t << quoted(76, 8, u"country          = "_s);
    t << quoted(77, 4, u"red_password     = "_s);
    t << quoted(78, 5, u"blue_password    = "_s);
    t << quoted(79, 6, u"yellow_password  = "_s);
    t << quoted(80, 7, u"violet_password  = "_s);
    t << check(82, 18, u"play_exit_credits     = 1"_s, u"play_exit_credits     = 0"_s);
    t << check(83, 7, u"mp_NoCharAbilities = 0"_s, u"mp_NoCharAbilities = 1"_s);
    t << check(84, 8, u"mp_NoCrossHairSpread = 0"_s, u"mp_NoCrossHairSpread = 1"_s);
    t << check(85, 9, u"mp_NoScopeDrift  = 0"_s, u"mp_NoScopeDrift  = 1"_s);
    {
        // The two states differ in the blank before "=". A clear line written
        // without that blank would read as neither, so it is mended on load.
        ConfigLine recoil = check(86, 10, u"mp_NoWeaponRecoil= 0"_s, u"mp_NoWeaponRecoil = 1"_s);
        recoil.repairFrom = u"mp_NoWeaponRecoil= 1"_s;
        recoil.repairTo = u"mp_NoWeaponRecoil = 1"_s;
        t << recoil;
    }
    t << choice(87, 7, {u"mp_gpsicons      = 0"_s, u"mp_gpsicons      = 1"_s, u"mp_gpsicons      = 2"_s});
    t << choice(88, 8, {u"mp_wind          = 0"_s, u"mp_wind          = 1"_s, u"mp_wind          = 2"_s});
    // Ticked writes 0 here too, like the keys that begin with "No".
    t << check(89, 13, u"mp_DroppedWeaponDisappear = 0"_s, u"mp_DroppedWeaponDisappear = 1"_s);
    t << check(90, 14, u"mp_NoDropWeapons = 0"_s, u"mp_NoDropWeapons = 1"_s);
    t << check(91, 15, u"mp_NoRespawnWithPrimary = 0"_s, u"mp_NoRespawnWithPrimary = 1"_s);
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
