#pragma once

#include "portal/PortalModel.h"
#include "scores/NameAssignments.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Every row of the table, read in one pass and held compactly: each text
// once, numbers packed. The full build makes the
// ratings, the awards and every page from it instead of reading the table
// once for each. Read-only once sealed, so page jobs on other threads may
// read it side by side.
namespace portal {

class RowStore
{
public:
    // Room for `rows` rows, so that reading them never moves them.
    void reserve(size_t rows) { m_bytes.reserve(rows * 16); }
    // `row.player` is the name as stored; the row's texts are copied as
    // needed, so they may lie in a reader's buffer. Throws RankholdError
    // when the rows would take more than 4 GB packed.
    void add(const Row &row);
    // The same for a reader that holds a row's texts as UTF-8 (SQLite):
    // `exact(column)` gives a text as add() would have it, and is asked
    // only for a text whose bytes were not seen before. The texts of
    // `figures` are not read.
    enum TextColumn { Player, Date, Time, Map, Type, Winner, kTextColumns };
    void addUtf8(const std::array<std::string_view, kTextColumns> &texts,
                 const std::function<QString(TextColumn column)> &exact, const Row &figures);
    // The rows of `later`, read after those added here, as though added
    // here one by one: the store is the one a single reading of them all makes.
    void append(const RowStore &later);
    // Groups the rows by name and by game; nothing is added after it.
    void seal();

    size_t size() const { return m_rows; }
    // Every row, in the order added.
    std::vector<quint32> rows() const;

    // A shown player and their rows: one run for each of their names, in
    // the names' text order, each run in the order the rows were added. A
    // row is known by a number that row(), figures() and gameOf() take.
    struct PlayerRows {
        QString player;
        std::vector<std::span<const quint32>> runs;
    };
    // The shown players, those without merged names first in name order,
    // then those with, in their order.
    std::vector<PlayerRows> shownPlayers(const NameAssignments &names) const;

    // Games in the order of their date, time and map texts.
    quint32 gameCount() const { return quint32(m_gameOrder.size()); }
    const GameKey &gameKey(quint32 game) const { return m_games[m_gameOrder[game]]; }
    quint32 gameRows(quint32 game) const
    {
        const quint32 id = m_gameOrder[game];
        return m_gameStart[id + 1] - m_gameStart[id];
    }
    // The games in the order played, then by their texts: as the rating takes them.
    std::vector<quint32> playedOrder() const;
    // The game a row is of, in the numbering above.
    quint32 gameOf(quint32 index) const { return m_gamePlace[gameIdOf(index)]; }
    // The game's rows in the order added; its type and winner are the first row's.
    Game game(quint32 game, const NameAssignments &names) const;
    // The row as the pages take it, under the player its name counts as.
    Row row(quint32 index, const NameAssignments &names) const;
    // Its figures alone, every text empty: sums over many rows copy no text.
    Row figures(quint32 index) const;

private:
    struct Texts {
        std::vector<QString> texts;
        QHash<QString, quint32> ids;
        quint32 idOf(const QString &text);
    };
    // The ids of the texts in the texts' order.
    static std::vector<quint32> textOrder(const Texts &texts);
    enum Figure : quint8 { Kills, Deaths, Score, Zonetime, Flags, Targets, kFigures };
    // A row packed: its numbers as variable-length integers (the figures
    // zig-zagged, only those it has), a byte of flags, and the ratio only
    // when it is not kills per death as the import reckons it. About 15 bytes
    // instead of the several hundred of a Row.
    static constexpr quint8 kRatioKept = 1u << kFigures; // the other bits: the figures the row has
    struct Unpacked {
        quint32 name = 0, game = 0, kind = 0;
        quint8 flags = 0;
        qint64 figures[kFigures] = {};
        double ratio = 0;
    };
    quint32 idOfGame(const GameKey &game);
    quint32 idOfKind(const QString &type, const QString &winner);
    void pack(quint32 name, quint32 game, quint32 kind, const Row &figures);
    // Adds a row packed by pack(), [row, end).
    void addPacked(const char *row, const char *end);
    Unpacked unpack(quint32 index) const;
    static Unpacked unpackAt(const char *&at);
    // Calls f(row, unpacked) for every row in the order added.
    template <typename F> void forEachRow(F f) const
    {
        const char *const begin = m_bytes.data();
        for (const char *at = begin; at != begin + m_bytes.size();) {
            const auto row = quint32(at - begin);
            const Unpacked u = unpackAt(at);
            f(row, u);
        }
    }
    static Row figuresOf(const Unpacked &u);
    quint32 gameIdOf(quint32 index) const;

    // The rows one after another. A row is known by where it starts: a
    // table of the starts would take a third as much again.
    std::vector<char> m_bytes;
    size_t m_rows = 0;
    Texts m_names;
    std::vector<std::pair<QString, QString>> m_kinds; // type and winner
    QHash<std::pair<QString, QString>, quint32> m_kindIds;
    std::vector<GameKey> m_games;
    quint32 m_lastGame = 0; // the game of the row added last
    QHash<GameKey, quint32> m_gameIds;
    Texts m_dayTexts, m_timeTexts, m_mapTexts;       // so games share their texts
    std::vector<std::array<quint32, 3>> m_gameTexts; // a game's texts in those lists
    // addUtf8()'s ids by the texts' bytes (games and kinds: their texts
    // joined, each after its length), and the texts of the row before.
    struct Utf8Ids {
        QHash<QByteArray, quint32> names, games, kinds;
        QByteArray key; // room to join texts in
        std::array<std::string, 3> lastGame;
        std::array<std::string, 2> lastKind;
        quint32 lastGameId = 0, lastKindId = 0;
        bool known = false; // a row was added by addUtf8()
    };
    Utf8Ids m_utf8;

    // After seal(): the rows (where each starts) grouped by name and by game.
    std::vector<quint32> m_nameOrder; // name ids in text order
    std::vector<quint32> m_byName, m_nameStart;
    std::vector<quint32> m_gameOrder; // game ids in key order
    std::vector<quint32> m_gamePlace; // a game id's place in that order
    std::vector<quint32> m_byGame, m_gameStart;
};

} // namespace portal
