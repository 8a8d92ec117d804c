// The rows a full build holds: each row comes back as it was read, figures
// beyond 32 bits and missing ones too, grouped by player and by game.
#include "portal/RowStore.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

portal::Row row(const QString &name, const QString &time, qint64 kills, std::optional<qint64> score,
                std::optional<qint64> flags)
{
    portal::Row r;
    r.player = name;
    r.game = {u"03/01/02"_s, time, u"Canyon"_s};
    r.type = time == u"20:00:00"_s ? u"Deathmatch"_s : u"Capture the Flag"_s;
    r.winner = u"None"_s;
    r.kills = kills;
    r.deaths = -kills;
    r.ratio = double(kills) / 3;
    r.score = score;
    r.flags = flags;
    return r;
}

auto fields(const portal::Row &r)
{
    return std::tie(r.player, r.game.date, r.game.time, r.game.map, r.type, r.winner, r.kills, r.deaths, r.ratio,
                    r.score, r.zonetime, r.flags, r.targets, r.hidden);
}

TEST(RowStoreTest, GivesEveryRowBackAndGroupsThemByPlayerAndGame)
{
    constexpr qint64 kMin32 = std::numeric_limits<qint32>::min();
    const std::vector<portal::Row> rows = {
        row(u"Raptor"_s, u"20:00:00"_s, kMin32, std::numeric_limits<qint64>::max(), std::nullopt),
        row(u"Ghost"_s, u"20:00:00"_s, std::numeric_limits<qint32>::max(), 0, std::nullopt),
        row(u"Tagged"_s, u"19:00:00"_s, qint64(1) << 40, std::nullopt, std::numeric_limits<qint64>::min()),
        row(u"Hidden"_s, u"19:00:00"_s, -1, std::nullopt, kMin32 + 1),
        row(u"Ghost"_s, u"19:00:00"_s, 0, std::nullopt, 7),
    };
    portal::RowStore store;
    for (const portal::Row &r : rows)
        store.add(r);
    store.seal();

    const NameAssignments asStored;
    ASSERT_EQ(store.size(), rows.size());
    for (quint32 i = 0; i < rows.size(); ++i)
        EXPECT_EQ(fields(store.row(i, asStored)), fields(rows[i])) << i;

    // Games by their texts, rows in the order read, the first row's type.
    ASSERT_EQ(store.gameCount(), 2u);
    const portal::Game early = store.game(0, asStored);
    EXPECT_EQ(early.key.time, u"19:00:00"_s);
    EXPECT_EQ(early.type, u"Capture the Flag"_s);
    ASSERT_EQ(early.lines.size(), 3u);
    EXPECT_EQ(fields(early.lines[2]), fields(rows[4]));

    // A merged player after the others, a hidden one left out.
    NameAssignments names;
    names.countsAs.insert(u"Tagged"_s, u"Ghost"_s);
    names.hidden.insert(u"Hidden"_s);
    std::vector<std::pair<QString, std::vector<quint32>>> shown;
    for (const portal::RowStore::PlayerRows &p : store.shownPlayers(names)) {
        std::vector<quint32> of;
        for (const auto &run : p.runs)
            of.insert(of.end(), run.begin(), run.end());
        shown.emplace_back(p.player, of);
    }
    const std::vector<std::pair<QString, std::vector<quint32>>> expected = {{u"Raptor"_s, {0}},
                                                                            {u"Ghost"_s, {1, 4, 2}}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(store.row(2, names).player, u"Ghost"_s);
    EXPECT_TRUE(store.row(3, names).hidden);
}

} // namespace
