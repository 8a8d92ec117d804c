#pragma once

#include "portal/PortalModel.h"
#include "scores/NameAssignments.h"

#include <QHash>
#include <QString>

#include <span>
#include <vector>

// Every row of the table, read in one pass and held compactly: each text
// once, figures in 32 bits where they fit. The full build makes the
// ratings, the awards and every page from it instead of reading the table
// once for each. Read-only once sealed, so page jobs on other threads may
// read it side by side.
namespace portal {

class RowStore
{
public:
    // Room for `rows` rows, so that reading them never moves them.
    void reserve(size_t rows) { m_rows.reserve(rows); }
    // `row.player` is the name as stored.
    void add(const Row &row);
    // Groups the rows by name and by game; nothing is added after it.
    void seal();

    size_t size() const { return m_rows.size(); }

    // A shown player and their rows: one run for each of their names, in
    // the names' text order, each run in the order the rows were added.
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
    // The game a row is of, in the numbering above.
    quint32 gameOf(quint32 index) const { return m_gamePlace[m_rows[index].game]; }
    // The game's rows in the order added; its type and winner are the first row's.
    Game game(quint32 game, const NameAssignments &names) const;
    // The row as the pages take it, under the player its name counts as.
    Row row(quint32 index, const NameAssignments &names) const;

private:
    struct Texts {
        std::vector<QString> texts;
        QHash<QString, quint32> ids;
        quint32 idOf(const QString &text);
    };
    enum Figure : quint8 { Kills, Deaths, Score, Zonetime, Flags, Targets, kFigures };
    // One row: 48 bytes instead of the several hundred of a Row.
    struct Stored {
        double ratio;
        quint32 name;
        quint32 game;
        quint32 kind; // the type and winner, as a pair
        qint32 figures[kFigures];
        quint8 present; // a bit for each figure the row has
    };
    static constexpr qint32 kElsewhere = INT32_MIN; // the figure is in m_wide

    qint64 figure(quint32 index, Figure f) const;

    std::vector<Stored> m_rows;
    QHash<quint64, qint64> m_wide; // figures that need more than 32 bits, by row * kFigures + figure
    Texts m_names;
    std::vector<std::pair<QString, QString>> m_kinds; // type and winner
    QHash<std::pair<QString, QString>, quint32> m_kindIds;
    std::vector<GameKey> m_games;
    QHash<GameKey, quint32> m_gameIds;
    Texts m_dayTexts, m_timeTexts, m_mapTexts; // so games share their texts

    // After seal(): row numbers grouped by name and by game.
    std::vector<quint32> m_nameOrder; // name ids in text order
    std::vector<quint32> m_byName, m_nameStart;
    std::vector<quint32> m_gameOrder; // game ids in key order
    std::vector<quint32> m_gamePlace; // a game id's place in that order
    std::vector<quint32> m_byGame, m_gameStart;
};

} // namespace portal
