// The rows a full build holds: each row comes back as it was read, figures
// beyond 32 bits and missing ones too, grouped by player and by game.
#include "portal/RowStore.h"
#include "portal/PortalSource.h"
#include "scores/DatabaseFile.h"
#include "scores/PortalSql.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
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
    const std::vector<quint32> all = store.rows();
    ASSERT_EQ(all.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(fields(store.row(all[i], asStored)), fields(rows[i])) << i;

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
    const std::vector<std::pair<QString, std::vector<quint32>>> expected = {{u"Raptor"_s, {all[0]}},
                                                                            {u"Ghost"_s, {all[1], all[4], all[2]}}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(store.row(all[2], names).player, u"Ghost"_s);
    EXPECT_TRUE(store.row(all[3], names).hidden);
}

// The full build reads a SQLite file through SQLite's own interface: what
// it holds must be what Qt's driver reads, for texts SQLite holds as bytes
// and for values of other types than their columns' (a table of another
// tool need not be strict).
TEST(RowStoreTest, ReadsAFileAsQtReadsIt)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"Rankhold.mdb"_s);
    createDatabase(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"store"_s);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString &sql :
             {u"DROP TABLE player"_s,
              u"CREATE TABLE player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, "
              "Score, Zonetime, Flags, Targets)"_s,
              // Names alike but for a NUL, texts and numbers, a blob, nulls, figures as texts and reals.
              u"INSERT INTO player VALUES ('1', 'Raptor', 3, 1, 'Canyon', 'Deathmatch', '03/01/02', "
              "'20:00:00', 'None', 3.0, 30, NULL, NULL, NULL), ('2', 'Nul' || char(0) || 'a', 2, 2, 'Canyon', "
              "'Deathmatch', '03/01/02', '20:00:00', 'None', 1.0, NULL, NULL, NULL, NULL), ('3', 'Nul', "
              "'many', 1.5, 'Canyon', 'Deathmatch', '03/01/02', '20:00:00', 'None', '2', 'x', 7, NULL, "
              "NULL), ('4', 123, 1, 0, 'Canyon' || char(0), 'Capture the Flag', '03/01/02', '20:00:00', "
              "'Blue', 1, NULL, NULL, 2, NULL), ('5', '123', 4, 4, 'Canyon', 'Capture the Flag', 1e20, "
              "'20:00:00', X'426c7565', 0.5, NULL, NULL, 0, NULL), ('6', NULL, 0, 0, 'Öde 😀', NULL, "
              "'03/01/02', '21:00:00', '', NULL, NULL, NULL, NULL, NULL), ('7', 'Raptor', 9, 3, 'Öde 😀', "
              "NULL, '03/01/02', '21:00:00', '', 3.0, NULL, NULL, NULL, 1)"_s})
            ASSERT_TRUE(q.exec(sql)) << sql.toStdString();

        std::vector<portal::Row> expected;
        ASSERT_TRUE(q.exec(PortalSql::allRows()));
        const auto optional = [&](int column) -> std::optional<qint64> {
            if (q.value(column).isNull())
                return std::nullopt;
            return q.value(column).toLongLong();
        };
        while (q.next()) {
            portal::Row r;
            r.player = q.value(PortalSql::Player).toString();
            r.game = {q.value(PortalSql::Date).toString(), q.value(PortalSql::Time).toString(),
                      q.value(PortalSql::Game).toString()};
            r.type = q.value(PortalSql::Gametype).toString();
            r.winner = q.value(PortalSql::Winner).toString();
            r.kills = q.value(PortalSql::Kills).toLongLong();
            r.deaths = q.value(PortalSql::Deaths).toLongLong();
            r.ratio = q.value(PortalSql::Ratio).toDouble();
            r.score = optional(PortalSql::Score);
            r.zonetime = optional(PortalSql::Zonetime);
            r.flags = optional(PortalSql::Flags);
            r.targets = optional(PortalSql::Targets);
            expected.push_back(r);
        }
        q.finish();

        portal::PortalSource source(db);
        const portal::RowStore store = source.allRows(0);
        const NameAssignments asStored;
        ASSERT_EQ(store.size(), expected.size());
        const std::vector<quint32> all = store.rows();
        ASSERT_EQ(all.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(fields(store.row(all[i], asStored)), fields(expected[i])) << i;
        // One player of each name read alike, whatever its bytes or type.
        std::vector<QString> players;
        for (const portal::RowStore::PlayerRows &p : store.shownPlayers(asStored))
            players.push_back(p.player);
        EXPECT_EQ(players, (std::vector<QString>{QString(), u"123"_s, u"Nul"_s, QString(u"Nul\0a"_s), u"Raptor"_s}));
        EXPECT_EQ(store.gameCount(), 4u);
    }
    QSqlDatabase::removeDatabase(u"store"_s);
}

} // namespace
