#pragma once

#include "portal/PortalModel.h"
#include "portal/Rating.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// The ratings of every game in the order the games were played, kept beside
// the portal so that a build rates only what is new. Each rated line keeps
// the player's skill after the game, which is also their skill before their
// next one: every game is a checkpoint, and a game older than those rated
// already (an old score file imported late, a second server's file) replays
// from its own place, never from the beginning. However the games come in,
// the skills come out bit for bit as if they had been rated at once.
namespace portal {

// A player's rating around one game.
struct RatingChange {
    rating::Skill before, after;
    bool operator==(const RatingChange &) const = default;
};

// One point of a player's rating history.
struct RatingPoint {
    GameKey game;
    RatingChange change;
};

// A player's rating and how it came about, oldest game first. What the
// player page shows, and the data of a chart of the rating over time.
struct PlayerRating {
    rating::Skill skill;
    qint64 games = 0;
    bool provisional = true; // fewer games than the portal's minimum
    std::vector<RatingPoint> history;
};

// A player as the rating board lists them.
struct RatedPlayer {
    QString name;
    rating::Skill skill;
    qint64 games = 0;
    std::optional<GameKey> last; // the newest game with a readable date and time
};

class RatingLedger
{
public:
    // A game to be rated: its key and its players with their standings.
    struct Entry {
        quint32 player;
        rating::Standing standing;
    };
    struct GameInput {
        GameKey key;
        std::vector<Entry> lines;
    };

    // The number a player is known by in this ledger (a new one for a new name).
    quint32 idOf(const QString &player);
    GameInput inputOf(const Game &game);
    // What inputOf() reads of a game, made without the ledger (so on
    // another thread): its key and its players by name with their standings.
    struct NamedInput {
        GameKey key;
        std::vector<std::pair<QString, rating::Standing>> lines;
    };
    static NamedInput namedInputOf(const Game &game);
    GameInput inputOf(const NamedInput &game);

    // What add() changed: the games that read otherwise now (the new ones
    // among them) and the players whose history changed.
    struct Changed {
        std::vector<GameKey> games;
        std::vector<QString> players;
        void add(const Changed &other);
    };

    // Rates games that are not rated yet (a key rated already is ignored):
    // games after the newest rated one are rated from their players'
    // skills; an older one replays every game from its place on.
    Changed add(std::vector<GameInput> games);
    // Rates one game as add() does, holding nothing but it: a first build
    // hands its history over a game at a time in the order played, so each
    // comes after the newest rated one.
    void addNext(GameInput game);
    // Room for that many more games and lines.
    void reserve(size_t games, size_t lines);

    // The games rated from the first of `games` (in the order they were
    // played) on, in that order.
    std::vector<GameKey> gamesFrom(const std::vector<GameKey> &games) const;
    // Rates again, as they read now, the games that gamesFrom() gave (their
    // players may count as others since: names merged or taken apart).
    Changed rateAgain(std::vector<GameInput> games);

    qsizetype gameCount() const { return qsizetype(m_games.size()); }
    bool contains(const GameKey &game) const { return indexOf(game).has_value(); }

    PlayerRating playerRating(const QString &player, int minGames) const;
    // The rating of each player of the game, by name; empty for a game not rated.
    QHash<QString, RatingChange> gameRatings(const GameKey &game) const;
    // Every player with their present skill.
    std::vector<RatedPlayer> players() const;
    QHash<QString, rating::Skill> skills() const;
    // The day of the newest game that is not after `day`; invalid when none is.
    QDate newestDayUpTo(const QDate &day) const;

    QByteArray encode() const;
    // Nothing when the bytes do not hold a ledger.
    static std::optional<RatingLedger> decode(const QByteArray &bytes);

    // The file, and the checksum that vouches for it (see below). A ledger
    // saved or loaded before appends only the games after those saved, as
    // a block of its own: a build after one map writes that map's lines,
    // not the history. Throws RankholdError "Cannot create file %s".
    QByteArray save(const QString &path);
    static std::optional<RatingLedger> load(const QString &path, const QByteArray &checksum);

private:
    // 24 bytes, a million of them at a million rows: a line's game is found
    // from where the games' lines start, and its rank from its place in the
    // game (players best first) but for a tie.
    struct Line {
        quint32 player : 31;
        quint32 tied : 1; // ranks with the line before it
        qint32 previous;  // the player's line before this one, or -1
        rating::Skill after;
    };
    static_assert(sizeof(Line) == 24);
    struct Played {
        GameKey key;
        qint64 order; // GameMoment::sortKey
        quint32 first;
        quint32 count;
    };
    struct Ranked; // a game with its players in a fixed order and their ranks

    static bool playedBefore(const Played &a, const Played &b);
    rating::Skill skillBefore(const Line &line) const;
    // Where a game is in m_games; found by its moment, as they are in order.
    std::optional<size_t> indexOf(const GameKey &key) const;
    // The game a line is of.
    const Played &gameOf(size_t line) const;
    // The ranks of a game's lines, in their order.
    std::vector<int> ranksOf(const Played &played) const;
    // `order`: the game's GameMoment::sortKey, when known.
    Ranked ranked(GameInput input, std::optional<qint64> order = std::nullopt) const;
    void truncate(size_t game);
    void append(const Ranked &game);
    // The names from `names` on, the games from `games` on and their lines,
    // a piece at a time.
    void encodeFrom(size_t names, size_t games, const std::function<void(QByteArrayView piece)> &piece) const;
    // Appends what a block at the start of `bytes` holds; the block's length,
    // or -1 when it does not read as one that follows what is held.
    qsizetype decodeMore(QByteArrayView bytes);

    std::vector<QString> m_names;
    QHash<QString, quint32> m_ids;
    std::vector<qint32> m_last;    // each player's newest line, or -1
    std::vector<quint32> m_counts; // each player's rated games
    std::vector<Line> m_lines;
    std::vector<Played> m_games;

    // What the file holds, as saved or loaded last.
    struct Saved {
        size_t names = 0, games = 0;
        QByteArray sum; // of its last block; empty while there is no file
        qint64 bytes = 0;
        int blocks = 0;
    };
    Saved m_saved;
    size_t m_kept = 0; // the games unchanged since then
};

// The ledger's file: blocks, each followed by the checksum of the checksum
// before it and the block. save returns the last, which the portal's
// record keeps, so load takes only the ledger made with that record;
// nothing when it is missing, damaged or another. Throws RankholdError
// "Cannot create file %s".
QByteArray saveRatingLedger(const QString &path, RatingLedger &ledger);
std::optional<RatingLedger> loadRatingLedger(const QString &path, const QByteArray &checksum);

} // namespace portal
