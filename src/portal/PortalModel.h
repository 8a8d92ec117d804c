#pragma once

#include <QDate>
#include <QHashFunctions>
#include <QString>

#include <optional>
#include <tuple>
#include <vector>

// The values the portal's pages are made of, read from the table `player`.
namespace portal {

// A game: the rows of one map played at one date and time. The texts are
// the game's own, exactly as the score file wrote them.
struct GameKey {
    QString date; // month/day/two-digit year
    QString time; // hh:mm:ss
    QString map;

    bool operator==(const GameKey &) const = default;
    bool operator<(const GameKey &other) const
    {
        return std::tie(date, time, map) < std::tie(other.date, other.time, other.map);
    }
    bool operator>(const GameKey &other) const { return other < *this; }
};

inline size_t qHash(const GameKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.date, key.time, key.map);
}

// When a game was played, read from its texts. A date or time in another
// form is not a moment: such a game sorts before every other and counts for
// no period.
struct GameMoment {
    QDate date;       // invalid when the date text is not mm/dd/yy
    int seconds = -1; // into the day; -1 when the time text is not hh:mm:ss

    static GameMoment of(const GameKey &key) { return of(key.date, key.time); }
    static GameMoment of(const QString &date, const QString &time);
    bool isValid() const { return date.isValid() && seconds >= 0; }
    // Orders games by the moment they were played, unreadable ones first.
    qint64 sortKey() const { return isValid() ? date.toJulianDay() * 86400 + seconds : -1; }
};

// A player's line in one game (one row of `player`).
struct Row {
    QString player; // the player the name counts as (NameAssignments)
    GameKey game;
    QString type;
    QString winner;
    qint64 kills = 0;
    qint64 deaths = 0;
    double ratio = 0;
    std::optional<qint64> score, zonetime, flags, targets;
    bool hidden = false; // the player is on no board, but in the game's scoreboard
};

// Sums over some of a player's rows; a sum of no values stays empty.
struct Totals {
    qint64 games = 0;
    qint64 kills = 0;
    qint64 deaths = 0;
    std::optional<qint64> flags, zonetime, targets;
    std::optional<double> bestRatio;

    void add(const Row &row);
    // The totals of another name of the same player.
    void add(const Totals &other);
    bool operator==(const Totals &) const = default;
};

struct PlayerTotals {
    QString name;
    Totals totals;
};

// One game with its scoreboard.
struct Game {
    GameKey key;
    QString type;
    QString winner;
    std::vector<Row> lines;
};

// A game as a map page lists it.
struct MapGame {
    GameKey key;
    QString type;
    QString winner;
    qint64 players = 0;
    bool operator==(const MapGame &) const = default;
};

// A player's figures on one map.
struct MapPlayer {
    QString name;
    qint64 games = 0;
    qint64 kills = 0;
    qint64 deaths = 0;
    bool operator==(const MapPlayer &) const = default;
};

// What a map page shows: its figures, its latest games and its best players.
struct MapSummary {
    static constexpr size_t kRecentGames = 50;
    static constexpr size_t kBestPlayers = 20;

    QString name;
    qint64 games = 0;
    qint64 kills = 0;
    std::vector<MapGame> recent; // newest first, at most kRecentGames
    std::vector<MapPlayer> best; // most kills first, at most kBestPlayers

    // Adds a game to the figures and, when it is among the latest, to the list.
    void addGame(const Game &game);
    // Puts the player's figures on this map in place of what the list held
    // for them. False when the player fell in the order (fewer kills than
    // before): a player outside the list might then belong into it, which
    // only a pass over every row of the map can tell.
    bool updatePlayer(const MapPlayer &player);
    bool operator==(const MapSummary &) const = default;
};

// Ranking order of the pages: most kills first, ties by name.
bool killsOrder(const QString &nameA, qint64 killsA, const QString &nameB, qint64 killsB);

} // namespace portal
