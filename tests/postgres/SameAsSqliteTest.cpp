// The same rows give the same pages on both engines: a SQLite program folder
// and one on the server get the same score files and the same commands, and
// must show the same rankings, figures and pages, byte for byte, and keep
// the same rows after every delete. The server's own collation orders
// names differently from byte order (see PostgresServer), so anything that
// does not ask for byte order shows.
#include "../scores/ScoreFixture.h"
#include "PostgresFixture.h"

#include "html/DataSet.h"
#include "scores/Maintenance.h"
#include "scores/PlayerSql.h"

#include <QSqlError>
#include <QSqlRecord>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// Names that sort differently by bytes than by language, differ only in
// letter case (ASCII and not), hold wildcards, a backslash, a quote and markup.
const QList<QByteArray> kNames = {"abc", "ABC",  "Abd",    "_x",           "\xe9t\xe9", "\xc9t\xe9", "100%Pure",
                                  "a_b", "a\\b", "O'Neil", "Zed the Bold", "<b>x</b>",  "tie",       "Tie"};
// Filter texts: plain, other case, wildcards, a backslash, a quote, a
// letter outside ASCII in the other case, nothing that matches.
const QStringList kFilters = {u"abc"_s,    u"A"_s, u"_"_s,    u"%"_s,      u"\\"_s,  u"'"_s,
                              u"\u00c9"_s, u"e"_s, u"Bold"_s, u"nobody"_s, u"0%P"_s, u"a\\b"_s};

QByteArray trickyScores()
{
    const QList<QByteArray> types = {"Deathmatch",         "King of the Hill", "Capture the Flag",
                                     "Search and Destroy", "Team Deathmatch",  ""};
    QByteArray scores;
    for (int b = 0; b < 24; ++b) {
        const QByteArray type = types.at(b % types.size());
        QList<QByteArray> rows;
        for (int p = 0; p < 5; ++p) {
            const QByteArray name = kNames.at((b * 5 + p) % kNames.size());
            const int kills = (b + p) % 4 * 3, deaths = (b * p) % 7; // ties, 0 deaths, ratios like 1/3
            const QByteArray value = type.contains("Hill") ? QByteArray::number(p) + ":0" + QByteArray::number(b % 10)
                                                           : QByteArray::number((b + p) % 3);
            rows.append(playerRow(name, value, QByteArray::number(kills), QByteArray::number(deaths)));
        }
        scores += scoreBlock("Map", "0" + QByteArray::number(1 + b % 9) + "/02/03", "10:" + QByteArray::number(10 + b),
                             type, rows);
    }
    return scores;
}

// Each value as a page shows it, and whether it is a fraction, so that 3 and
// 3.0 differ. (The drivers differ in the type of a whole number: SQLite's
// gives qlonglong, PostgreSQL's qulonglong unless it is negative.)
QStringList resultRows(QSqlQuery &query)
{
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i) {
            const QVariant v = query.value(i);
            const bool fraction = v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
            values.append(v.isNull() ? u"NULL"_s : (fraction ? u"real:"_s : u""_s) + displayTextOf(v));
        }
        rows.append(values.join(u'|'));
    }
    return rows;
}

QStringList resultOf(Installation &i, const PlayerSql::Statement &statement)
{
    QSqlQuery q(i.state.database.connection());
    execStatement(q, statement);
    return resultRows(q);
}

void execute(Installation &i, const QString &sql)
{
    QSqlQuery q(i.state.database.connection());
    ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << " for " << sql.toStdString();
}

class SameAsSqlite : public PostgresTest
{
protected:
    void SetUp() override
    {
        PostgresTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        createTables();
        sqlite = std::make_unique<Installation>(path(u"sqlite"_s));
        pg = std::make_unique<Installation>(path(u"pg"_s), url);
    }

    void bothImport(const QByteArray &scores)
    {
        for (Installation *i : {sqlite.get(), pg.get()}) {
            writeFile(i->scoreFile(), scores);
            ASSERT_TRUE(i->import());
        }
    }

    void expectSamePagesAndFigures()
    {
        for (Installation *i : {sqlite.get(), pg.get()}) {
            i->exportPages();
            i->commands.updateDBInfo();
        }
        for (const ProgramFolder::Page page : ProgramFolder::kPages) {
            const QString name = ProgramFolder::pageName(page);
            EXPECT_EQ(pg->page(name), sqlite->page(name)) << name.toStdString();
        }
        EXPECT_EQ(pg->host.figures.records, sqlite->host.figures.records);
        EXPECT_EQ(pg->host.figures.players, sqlite->host.figures.players);
    }

    std::unique_ptr<Installation> sqlite, pg;
};

} // namespace

TEST_F(SameAsSqlite, SameScoreFilesGiveTheSamePagesFiltersAndDeletes)
{
    bothImport(trickyScores());
    ASSERT_EQ(pg->rows(), sqlite->rows());

    const auto filter = [](const QString &f1, const QString &f2 = {}, const QString &f3 = {}) {
        return PlayerSql::Filters{f1, f2, f3};
    };
    const QList<PlayerSql::Filters> filters = {
        filter({}),     filter(u"abc"_s),    filter(u"A"_s, u"_"_s), filter(u"%"_s),   filter(u"\\"_s),
        filter(u"'"_s), filter(u"\u00c9"_s), filter(u"nobody"_s),    filter(u"0%P"_s), filter(u"zed"_s, {}, u"T"_s)};
    for (const PlayerSql::Filters &f : filters) {
        SCOPED_TRACE((u"filters "_s + f.f1 + u' ' + f.f2 + u' ' + f.f3).toStdString());
        for (Installation *i : {sqlite.get(), pg.get()}) {
            i->settings.useFilters = !f.f1.isEmpty();
            i->settings.filter1 = f.f1;
            i->settings.filter2 = f.f2;
            i->settings.filter3 = f.f3;
        }
        expectSamePagesAndFigures();
    }

    // The deletes of the maintenance menu, with the filters of the last export.
    const QList<std::pair<PlayerSql::Filters, bool>> deletes = {
        {filter(u"A"_s), true}, {filter(u"\u00e9"_s, u"_"_s), false}, {filter(u"\\"_s), true}};
    for (const auto &[f, matching] : deletes) {
        SCOPED_TRACE((u"delete "_s + f.f1 + u' ' + f.f2).toStdString());
        for (Installation *i : {sqlite.get(), pg.get()}) {
            i->settings.filter1 = f.f1;
            i->settings.filter2 = f.f2;
            i->commands.deleteRecordsByFilters(matching);
        }
        EXPECT_EQ(pg->rows(), sqlite->rows());
        expectSamePagesAndFigures();
    }
    ASSERT_FALSE(pg->rows().isEmpty());
    for (Installation *i : {sqlite.get(), pg.get()})
        i->commands.deleteAllRecords();
    EXPECT_TRUE(pg->rows().isEmpty());
    expectSamePagesAndFigures();
}

TEST_F(SameAsSqlite, RankingsFollowEveryChangeAsOnSqlite)
{
    std::mt19937 random(7);
    const auto pick = [&random](int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); };
    const auto name = [&] {
        return pick(8) == 0
                   ? u"NULL"_s
                   : u"'"_s + QString::fromLatin1(kNames.at(pick(int(kNames.size())))).replace(u"'"_s, u"''"_s) +
                         u"'"_s;
    };
    const auto number = [&](int below) { return pick(5) == 0 ? u"NULL"_s : QString::number(pick(below)); };
    int blocks = 0, outside = 0;
    for (int step = 0; step < 80; ++step) {
        SCOPED_TRACE(step);
        const int kind = pick(100);
        QString sql; // the same statement on both engines
        PlayerSql::Filters filters{
            kFilters.at(pick(int(kFilters.size()))), {}, kFilters.at(pick(int(kFilters.size())))};
        if (kind < 35) {
            QByteArray scores;
            for (int b = 0, n = 1 + pick(3); b < n; ++b) {
                // Now and then a map stored already.
                const int map = blocks > 0 && pick(4) == 0 ? pick(blocks) : blocks++;
                QList<QByteArray> rows;
                for (int p = 0, players = 1 + pick(4); p < players; ++p)
                    rows.append(playerRow(kNames.at(pick(int(kNames.size()))), QByteArray::number(pick(20)),
                                          QByteArray::number(pick(30)), QByteArray::number(pick(4))));
                scores +=
                    scoreBlock("Map", "05/05/05", "11:" + QByteArray::number(100 + map), "Capture the Flag", rows);
            }
            bothImport(scores);
        } else if (kind < 50) {
            QStringList values;
            for (int r = 0, n = 1 + pick(4); r < n; ++r)
                values.append(u"('outside %1', %2, %3, %4, %5, %6, %7, %8)"_s.arg(++outside).arg(
                    name(), number(40), number(5), number(10), number(900), number(20),
                    pick(6) == 0 ? u"NULL"_s : QString::number(pick(80) / 8.0)));
            sql = u"INSERT INTO player (Id, Player, Kills, Deaths, Flags, Zonetime, Targets, Ratio) VALUES "_s +
                  values.join(u", "_s);
        } else if (kind < 58) {
            sql = u"DELETE FROM player WHERE Kills % %1 = %2"_s.arg(3 + pick(5)).arg(pick(3));
        } else if (kind < 64) {
            // The row that holds a player's best ratio: the next best takes its place.
            const QString player = name();
            sql = u"DELETE FROM player WHERE Id = (SELECT Id FROM player WHERE (Player = %1 OR (Player IS NULL AND "
                  "%1 IS NULL)) AND Ratio IS NOT NULL ORDER BY Ratio DESC, Id LIMIT 1)"_s.arg(player);
        } else if (kind < 70) {
            sql = u"UPDATE player SET Player = %1, Kills = %2, Ratio = Ratio / 2 WHERE Kills % %3 = 0"_s.arg(
                name(), number(40), QString::number(2 + pick(6)));
        } else if (kind < 82) {
            const bool matching = pick(2) == 0;
            for (Installation *i : {sqlite.get(), pg.get()})
                ASSERT_TRUE(deleteRecordsByFilters(i->state.database, filters, matching, i->host));
        } else if (kind < 85) {
            for (Installation *i : {sqlite.get(), pg.get()})
                ASSERT_TRUE(deleteAllRecords(i->state.database, i->host));
        } else if (kind < 90) {
            for (Installation *i : {sqlite.get(), pg.get()})
                ASSERT_TRUE(compactDatabase(i->state.database, i->state.programFolder, i->host));
        }
        if (!sql.isEmpty()) {
            execute(*sqlite, sql);
            execute(*pg, sql);
        }
        if (HasFatalFailure())
            return;

        for (const PlayerSql::Filters &f : {PlayerSql::Filters{}, filters}) {
            for (int r = 0; r <= int(PlayerSql::Ranking::Ratio); ++r) {
                const auto ranking = PlayerSql::Ranking(r);
                const std::string expected =
                    resultOf(*sqlite, PlayerSql::rankingQuery(SqlEngine::SQLite, ranking, f)).join(u'\n').toStdString();
                ASSERT_EQ(
                    resultOf(*pg, PlayerSql::rankingQuery(SqlEngine::PostgreSQL, ranking, f)).join(u'\n').toStdString(),
                    expected)
                    << "ranking " << r << " filter " << f.f1.toStdString();
                // The server's totals are what grouping its rows gives.
                ASSERT_EQ(resultOf(*pg, PlayerSql::groupedRankingQuery(SqlEngine::PostgreSQL, ranking, f))
                              .join(u'\n')
                              .toStdString(),
                          expected)
                    << "grouped ranking " << r << " filter " << f.f1.toStdString();
            }
            ASSERT_EQ(pg->state.database.countPlayers(f), sqlite->state.database.countPlayers(f));
        }
        ASSERT_EQ(pg->state.database.tableRecordCount(), sqlite->state.database.tableRecordCount());
    }
}
