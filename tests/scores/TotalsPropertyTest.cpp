// The totals kept by the database's triggers against a fresh grouping of
// the rows, after random sequences of everything that changes `player`: the
// import, the three deletes, compaction, another program (the sqlite3
// shell) inserting, changing and deleting rows, and the file taken back to
// what a program before the totals left (upgraded when next opened). The rankings and the player
// figure read the totals and must give what grouping gives, row for row.
#include "ScoreFixture.h"

#include "common/ProgramFolder.h"
#include "scores/Maintenance.h"
#include "scores/PlayerSql.h"

#include <QProcess>
#include <QSqlError>
#include <random>

using namespace Qt::StringLiterals;

namespace {

const QList<QByteArray> kNames = {"Alpha",        "alpha", "Bravo",  "100%Pure", "a_b",
                                  "Zed the Bold", "",      "O'Neil", "\xe9t\xe9"};
const QList<QByteArray> kGametypes = {"Deathmatch",         "King of the Hill",  "Team Deathmatch", "Capture the Flag",
                                      "Search and Destroy", "Attack and Defend", "Free for All",    ""};
// Filter texts: plain, a wildcard, other letter case, nothing that matches.
const QStringList kFilters = {u"alpha"_s, u"a_"_s, u"%"_s, u"Bold"_s, u"'"_s, u"nobody"_s, u"e"_s};

// Each value as its type and text, so that 3 and 3.0 differ.
QStringList resultRows(QSqlQuery &query)
{
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i) {
            const QVariant v = query.value(i);
            values.append(v.isNull() ? u"NULL"_s : QString::fromLatin1(v.typeName()) + u':' + v.toString());
        }
        rows.append(values.join(u'|'));
    }
    return rows;
}

class Totals : public ScoreFixture
{
protected:
    QStringList select(const PlayerSql::Statement &statement)
    {
        QSqlQuery q(db.connection());
        execStatement(q, statement);
        return resultRows(q);
    }

    void shell(const QString &sql)
    {
        db.close(); // another program: our connection holds nothing meanwhile
        QProcess p;
        p.start(u"sqlite3"_s, {u"-cmd"_s, u".timeout 3000"_s, state.programFolder.databaseFile(), sql});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData() << " for " << qPrintable(sql);
    }

    QByteArray randomBlock()
    {
        // Now and then a game that was stored already: its rows are skipped.
        const int game = blocks > 0 && pick(4) == 0 ? pick(blocks) : blocks++;
        const QByteArray date = "0" + QByteArray::number(1 + game / 60 % 9) + "/01/03";
        const QByteArray time =
            "12:" + QByteArray::number(10 + game % 60 / 2) + ":" + QByteArray::number(10 + game % 2);
        const QByteArray type = kGametypes.at(pick(int(kGametypes.size())));
        QList<QByteArray> players;
        for (int p = 0, n = 1 + pick(5); p < n; ++p) {
            const QByteArray value = type.contains("Hill")
                                         ? QByteArray::number(pick(9)) + ":" + QByteArray::number(10 + pick(50))
                                         : QByteArray::number(pick(30));
            players.append(playerRow(kNames.at(pick(int(kNames.size()))), value, QByteArray::number(pick(40)),
                                     QByteArray::number(pick(4))));
        }
        return scoreBlock("Map", date, time, type, players);
    }

    // A value for the shell's SQL: now and then NULL.
    QString number(int below) { return pick(5) == 0 ? u"NULL"_s : QString::number(pick(below)); }
    QString name()
    {
        if (pick(8) == 0)
            return u"NULL"_s;
        return u"'"_s + QString::fromLatin1(kNames.at(pick(int(kNames.size())))).replace(u"'"_s, u"''"_s) + u"'"_s;
    }
    PlayerSql::Filters filters()
    {
        PlayerSql::Filters f;
        f.f1 = kFilters.at(pick(int(kFilters.size())));
        if (pick(2) == 0)
            f.f3 = kFilters.at(pick(int(kFilters.size())));
        return f;
    }

    void randomStep()
    {
        const int step = pick(100);
        if (step < 35) {
            QByteArray file;
            for (int b = 0, n = 1 + pick(3); b < n; ++b)
                file += randomBlock();
            writeFile(scoreFile(), file);
            ASSERT_TRUE(import());
        } else if (step < 50) {
            QStringList values;
            for (int r = 0, n = 1 + pick(4); r < n; ++r)
                values.append(u"('outside %1', %2, %3, %4, %5, %6, %7, %8)"_s.arg(++outsideRows)
                                  .arg(name(), number(40), number(5), number(10), number(900), number(20),
                                       pick(6) == 0 ? u"NULL"_s : QString::number(pick(80) / 8.0)));
            shell(u"INSERT INTO player (Id, Player, Kills, Deaths, Flags, Zonetime, Targets, Ratio) VALUES "_s +
                  values.join(u", "_s) + u';');
        } else if (step < 58) {
            shell(u"DELETE FROM player WHERE rowid % %1 = %2;"_s.arg(3 + pick(5)).arg(pick(3)));
        } else if (step < 63) {
            // The row that holds a player's best ratio: the next best takes its place.
            shell(u"DELETE FROM player WHERE rowid = (SELECT rowid FROM player WHERE Player IS %1 "
                  "ORDER BY Ratio DESC LIMIT 1);"_s.arg(name()));
        } else if (step < 68) {
            shell(u"UPDATE player SET Player = %1, Kills = %2, Ratio = Ratio / 2 WHERE rowid % %3 = 0;"_s.arg(
                name(), number(40), QString::number(2 + pick(6))));
        } else if (step < 80) {
            ASSERT_EQ(errorMessageOf([&] { deleteRecordsByFilters(db, filters(), pick(2) == 0, host); }), QString());
        } else if (step < 83) {
            ASSERT_TRUE(deleteAllRecords(db, host));
        } else if (step < 90) {
            ASSERT_TRUE(compactDatabase(db, state.programFolder, host));
        } else if (step < 94) {
            shell(u"DROP TRIGGER player_totals_insert; DROP TRIGGER player_totals_insert_null; "
                  "DROP TRIGGER player_totals_delete; DROP TRIGGER player_totals_update; "
                  "DROP TABLE player_totals; PRAGMA user_version = 0;"_s);
        }
    }

    void expectTotalsAsGrouped()
    {
        QSqlQuery totals(db.connection());
        ASSERT_TRUE(totals.exec(u"SELECT Player, Games, Kills, Deaths, Flags, Zonetime, Targets, BestRatio "
                                "FROM player_totals ORDER BY Player"_s));
        QSqlQuery grouped(db.connection());
        ASSERT_TRUE(grouped.exec(u"SELECT Player, Count(*), Sum(Kills), Sum(Deaths), Sum(Flags), Sum(Zonetime), "
                                 "Sum(Targets), Max(Ratio) FROM player GROUP BY Player ORDER BY Player"_s));
        ASSERT_EQ(resultRows(totals), resultRows(grouped));
        // The rankings, plain and with a filter, and the figures.
        for (const PlayerSql::Filters &f : {PlayerSql::Filters{}, filters()}) {
            for (int r = 0; r <= int(PlayerSql::Ranking::Ratio); ++r) {
                const auto ranking = PlayerSql::Ranking(r);
                ASSERT_EQ(select(PlayerSql::rankingQuery(SqlEngine::SQLite, ranking, f)),
                          select(PlayerSql::groupedRankingQuery(SqlEngine::SQLite, ranking, f)))
                    << "ranking " << r << " filter " << qPrintable(f.f1);
            }
            EXPECT_EQ(db.countPlayers(f),
                      select(PlayerSql::groupedRankingQuery(SqlEngine::SQLite, PlayerSql::Ranking::Kills, f)).size());
        }
        EXPECT_EQ(db.tableRecordCount(), count());
    }

    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); }

    std::mt19937 random;
    int blocks = 0;
    int outsideRows = 0;
};

} // namespace

TEST_F(Totals, EqualAFreshGroupingAfterAnySequenceOfChanges)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        random.seed(seed);
        for (int step = 0; step < 100; ++step) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step);
            randomStep();
            if (HasFatalFailure())
                return;
            expectTotalsAsGrouped();
            if (HasFatalFailure())
                return;
        }
    }
}
