#pragma once

#include <QByteArray>
#include <QStringList>

using namespace Qt::StringLiterals;

// A dflw.cfg of 95 lines whose managed lines are written exactly as the game
// settings window writes them; every other line is filler naming its position.
inline QStringList fixtureLines()
{
    QStringList l;
    for (int i = 0; i < 95; ++i)
        l << u"// untouched %1"_s.arg(i);
    l[8] = u"game_res         = 5"_s;
    l[9] = u"no_anim          = 0"_s;
    l[16] = u"terrain_texture_res  = 2"_s;
    l[17] = u"object_res       = 1"_s;
    l[18] = u"bit_depth        = 32"_s;
    l[19] = u"terrain_geometry   = 1"_s;
    l[20] = u"shadows          = 1"_s;
    l[21] = u"NoBlood          = 1"_s;
    l[22] = u"NoCasings        = 0"_s;
    l[23] = u"NoSmoke\t      = 0"_s;
    l[28] = u"showgun          = 0"_s;
    l[32] = u"mpattrib         = 513"_s;
    l[36] = u"login_password   = \"player\""_s;
    l[37] = u"game_password    = \"server\""_s;
    l[38] = u"squad_password   = \"\""_s;
    l[39] = u"game_name        = \"Rankhold Test\""_s;
    l[43] = u"mp_gametype      = 5"_s;
    l[44] = u"maxplayers       = 16"_s;
    l[45] = u"dedicated        = 1"_s;
    l[49] = u"max_kills        = 12345678"_s;
    l[50] = u"team_req         = 3"_s;
    l[51] = u"startdelay       = 10"_s;
    l[52] = u"destroybuild     = 1"_s;
    l[53] = u"deathmes         = 0"_s;
    l[54] = u"replay           = 2"_s;
    l[55] = u"time_limit       = 30"_s;
    l[56] = u"koth_limit       = 5"_s;
    l[57] = u"timeout          = 120"_s;
    l[58] = u"mp_numteams      = 4"_s;
    l[76] = u"country          = \"NL\""_s;
    l[77] = u"red_password     = \"red\""_s;
    l[78] = u"blue_password    = \"blue\""_s;
    l[79] = u"yellow_password  = \"yellow\""_s;
    l[80] = u"violet_password  = \"violet\""_s;
    l[82] = u"play_exit_credits     = 0"_s;
    l[83] = u"mp_NoCharAbilities = 0"_s;
    l[84] = u"mp_NoCrossHairSpread = 1"_s;
    l[85] = u"mp_NoScopeDrift  = 0"_s;
    l[86] = u"mp_NoWeaponRecoil= 0"_s;
    l[87] = u"mp_gpsicons      = 2"_s;
    l[88] = u"mp_wind          = 1"_s;
    l[89] = u"mp_DroppedWeaponDisappear = 0"_s;
    l[90] = u"mp_NoDropWeapons = 1"_s;
    l[91] = u"mp_NoRespawnWithPrimary = 0"_s;
    return l;
}

// The lines as the file holds them: ASCII, each ended by `lineEnd`.
inline QByteArray fixtureBytes(const QStringList &lines, const QByteArray &lineEnd = "\n")
{
    QByteArray out;
    for (const QString &line : lines)
        out += line.toLatin1() + lineEnd;
    return out;
}
