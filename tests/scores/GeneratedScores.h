#pragma once

#include <QByteArray>
#include <cstdio>

// A large score file with every game type, for the benchmark and the test
// that kills an import. Every block has a time of its own, so every row is new.
namespace generated {

struct Block {
    QByteArray map, date, time, gametype, winner; // gametype empty: no game-type line
    int column;                                   // 0 none, 1 Score, 2 Zonetime, 3 Flags, 4 Targets
};

inline Block block(int b)
{
    static const char *const types[10] = {
        "Deathmatch",  "King of the Hill",   "Team Deathmatch",   "Team King of the Hill", "Capture the Flag",
        "PennantRush", "Search and Destroy", "Attack and Defend", "Free for All",          ""};
    static const int columns[10] = {1, 2, 1, 2, 3, 3, 4, 4, 0, 0};
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%02d/%02d/02", 1 + (b / 86400) % 12, 1 + (b / 3600) % 28);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", (b / 3600) % 24, (b / 60) % 60, b % 60);
    const int t = b % 10;
    Block out{"Map " + QByteArray::number(b % 37), date, time, types[t], {}, columns[t]};
    const bool noWinner = t == 0 || t == 1 || t == 9;
    out.winner = noWinner ? QByteArray("None") : QByteArray(b % 2 ? "Blue Team" : "Red Team");
    return out;
}

struct Player {
    QByteArray name, value; // the value as written (m:ss for hill games)
    int kills, deaths, seconds;
};

inline Player player(int b, int p)
{
    Player out;
    out.name = "Soldier " + QByteArray::number(p) + (p % 3 == 0 ? " the Bold" : "");
    out.kills = (b * 7 + p * 3) % 40;
    out.deaths = (b + p * 5) % 9; // 0 now and then
    out.seconds = (b + p) % 600;
    out.value = block(b).column == 2 ? QByteArray::number(out.seconds / 60) + ':' +
                                           QByteArray::number(out.seconds % 60).rightJustified(2, '0')
                                     : QByteArray::number((b + p) % 25);
    return out;
}

// Blocks first .. first + count - 1.
inline QByteArray blocks(int first, int count, int players)
{
    QByteArray out;
    out.reserve(qsizetype(count) * (140 + players * 50));
    for (int b = first; b < first + count; ++b) {
        const Block k = block(b);
        out += "Game Stats for Game: " + k.map + "\r\nPlayed: " + k.date + ", " + k.time + "\r\n";
        if (!k.gametype.isEmpty()) {
            out += "  Game type: " + k.gametype + "\r\n";
            if (k.gametype != "Deathmatch" && k.gametype != "King of the Hill")
                out += "Winner:   " + k.winner + "\r\n";
        }
        out += "  Name                 Value  Kills  Deaths\r\n";
        for (int p = 0; p < players; ++p) {
            const Player r = player(b, p);
            out += "      " + r.name.leftJustified(21, ' ', true) + r.value + "   " + QByteArray::number(r.kills) +
                   "   " + QByteArray::number(r.deaths) + "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

inline QByteArray file(int blocks, int players)
{
    return generated::blocks(0, blocks, players);
}

} // namespace generated
