#include "scores/PlayerSql.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace PlayerSql {

QString countRows()
{
    return u"SELECT COUNT(*) FROM player;"_s;
}

const QStringList &insertColumns()
{
    static const QStringList columns = {u"Id"_s,       u"Player"_s,   u"Kills"_s, u"Deaths"_s, u"Game"_s,
                                        u"Gametype"_s, u"Date"_s,     u"Time"_s,  u"Winner"_s, u"Ratio"_s,
                                        u"Score"_s,    u"Zonetime"_s, u"Flags"_s, u"Targets"_s};
    return columns;
}

QString copyRows(int rows)
{
    const QString row = u"(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s;
    QStringList values;
    values.reserve(rows);
    for (int i = 0; i < rows; ++i)
        values.append(row);
    return u"INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
           "Zonetime, Flags, Targets) VALUES "_s +
           values.join(u", "_s) + u';';
}

QString insertRows(int rows)
{
    QString sql = copyRows(rows);
    sql.chop(1);
    return sql + u" ON CONFLICT (Id) DO NOTHING;"_s;
}

QString makeImportStaging()
{
    return u"CREATE TEMPORARY TABLE IF NOT EXISTS rankhold_import (Seq BIGSERIAL, Id TEXT COLLATE \"C\", "
           "Player TEXT COLLATE \"C\", Kills BIGINT, Deaths BIGINT, Game TEXT, Gametype TEXT, Date TEXT, Time TEXT, "
           "Winner TEXT, Ratio DOUBLE PRECISION, Score BIGINT, Zonetime BIGINT, Flags BIGINT, Targets BIGINT) "
           "ON COMMIT DROP;"_s;
}

QString copyIntoImportStaging()
{
    return u"COPY rankhold_import (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
           "Zonetime, Flags, Targets) FROM STDIN;"_s;
}

QString insertFromImportStaging()
{
    return u"INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
           "Zonetime, Flags, Targets) SELECT Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, "
           "Score, Zonetime, Flags, Targets FROM rankhold_import ORDER BY Seq ON CONFLICT (Id) DO NOTHING;"_s;
}

QString emptyImportStaging()
{
    return u"TRUNCATE rankhold_import;"_s;
}

QString copyIntoPlayer()
{
    return u"COPY player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, Zonetime, "
           "Flags, Targets) FROM STDIN;"_s;
}

int mostRowsAStatement(SqlEngine engine)
{
    // 14 bindings a row: far below the engines' limits on bindings.
    return engine == SqlEngine::PostgreSQL ? 1000 : 64;
}

QString selectAllRows()
{
    return u"SELECT Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, Zonetime, Flags, "
           "Targets FROM player;"_s;
}

QString hasPlayerTable(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return u"SELECT CASE WHEN to_regclass('player') IS NULL THEN 0 ELSE 1 END;"_s;
    return u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'player';"_s;
}

QString idsWithPrefix()
{
    return u"SELECT player.Id FROM player WHERE player.Id >= ? AND player.Id < ?;"_s;
}

QString countRowsFromTotals()
{
    // PostgreSQL sums whole numbers into a decimal type: made whole again.
    return u"SELECT CAST(COALESCE(Sum(player_totals.Games), 0) AS BIGINT) FROM player_totals;"_s;
}

QList<Statement> deleteAll()
{
    return {{u"DELETE FROM player_totals;"_s, {}}, {u"DELETE FROM player;"_s, {}}};
}

namespace {

QVariantList filterPatterns(const Filters &filters)
{
    QVariantList patterns;
    for (const QString *f : {&filters.f1, &filters.f2, &filters.f3}) {
        if (!f->isEmpty())
            patterns.append(QString(u'%' + *f + u'%'));
    }
    return patterns;
}

// SQLite's Like folds ASCII letters only and has no escape character.
// PostgreSQL's ILIKE folds by the collation of the Player columns, "C",
// which folds ASCII letters only; ESCAPE '' keeps a backslash in a filter a
// plain character, as in SQLite.
QString like(SqlEngine engine, bool negated = false)
{
    if (engine == SqlEngine::PostgreSQL)
        return negated ? u" Not ILike ? Escape ''"_s : u" ILike ? Escape ''"_s;
    return negated ? u" Not Like ?"_s : u" Like ?"_s;
}

// "(player.Player) Like ? Or ..." with one placeholder a pattern.
QString anyPlayerLike(SqlEngine engine, qsizetype patterns, const QString &table = u"player"_s)
{
    QStringList likes;
    for (qsizetype i = 0; i < patterns; ++i)
        likes.append(u"("_s + table + u".Player)"_s + like(engine));
    return likes.join(u" Or "_s);
}

// The condition of the filter deletes on the Player column of `table`.
QString filterDeleteCondition(SqlEngine engine, qsizetype patterns, bool matching, const QString &table)
{
    const QString condition = u"((("_s + table + u".Player)"_s + like(engine, !matching) + u"))"_s;
    QStringList conditions;
    for (qsizetype i = 0; i < patterns; ++i)
        conditions.append(condition);
    return conditions.join(matching ? u" OR "_s : u" AND "_s);
}

// Highest first, ties by player name. SQLite sorts an empty value below
// every other; PostgreSQL above, unless told.
QString rankingOrder(SqlEngine engine, const QString &value, const QString &player)
{
    if (engine == SqlEngine::PostgreSQL)
        return u"ORDER BY "_s + value + u" DESC NULLS LAST, "_s + player + u" NULLS FIRST;"_s;
    return u"ORDER BY "_s + value + u" DESC, "_s + player + u';';
}

struct RankingText {
    const char16_t *select;    // up to and including "GROUP BY player.Player "
    const char16_t *aggregate; // Sum(player.Kills)
    bool skipNull;             // leave out players whose aggregate is empty
    const char16_t *total;     // the column of player_totals that holds the aggregate
    const char16_t *alias;     // the name of the value column
};

RankingText rankingText(Ranking ranking)
{
    switch (ranking) {
    case Ranking::Kills:
        return {u"SELECT player.Player, Sum(player.Kills) AS TotalKills FROM player GROUP BY player.Player ",
                u"Sum(player.Kills)", false, u"Kills", u"TotalKills"};
    case Ranking::Deaths:
        return {u"SELECT player.Player, Sum(player.Deaths) AS TotalDeaths FROM player GROUP BY player.Player ",
                u"Sum(player.Deaths)", false, u"Deaths", u"TotalDeaths"};
    case Ranking::Flags:
        return {u"SELECT player.Player, Sum(player.Flags) AS TotalFlags FROM player GROUP BY player.Player ",
                u"Sum(player.Flags)", true, u"Flags", u"TotalFlags"};
    case Ranking::Zonetime:
        return {u"SELECT player.Player, Sum(player.Zonetime) AS TotalZonetime FROM player GROUP BY player.Player ",
                u"Sum(player.Zonetime)", true, u"Zonetime", u"TotalZonetime"};
    case Ranking::Targets:
        return {u"SELECT player.Player, Sum(player.Targets) AS TotalTargets FROM player GROUP BY player.Player ",
                u"Sum(player.Targets)", true, u"Targets", u"TotalTargets"};
    case Ranking::Ratio:
        return {u"SELECT player.Player, Max(player.Ratio) AS BestRatio FROM player GROUP BY player.Player ",
                u"Max(player.Ratio)", true, u"BestRatio", u"BestRatio"};
    }
    return {u"", u"", false, u"", u""};
}

} // namespace

QList<Statement> deleteByFilters(SqlEngine engine, const Filters &filters, bool matching)
{
    if (filters.isEmpty())
        return {};
    const QVariantList patterns = filterPatterns(filters);
    QList<Statement> statements;
    for (const QString &table : {u"player_totals"_s, u"player"_s}) {
        statements.append({u"DELETE FROM "_s + table + u" WHERE "_s +
                               filterDeleteCondition(engine, patterns.size(), matching, table) + u';',
                           patterns});
    }
    return statements;
}

// The row count of the kills ranking: every Player value, NULL included.
Statement countPlayers(SqlEngine engine, const Filters &filters)
{
    Statement st;
    st.sql = u"SELECT COUNT(*) FROM player_totals"_s;
    if (!filters.isEmpty()) {
        st.bindings = filterPatterns(filters);
        st.sql += u" WHERE "_s + anyPlayerLike(engine, st.bindings.size(), u"player_totals"_s);
    }
    st.sql += u';';
    return st;
}

Statement rankingQuery(SqlEngine engine, Ranking ranking, const Filters &filters)
{
    const RankingText t = rankingText(ranking);
    const QString total = u"player_totals."_s + QString::fromUtf16(t.total);
    Statement st;
    // Quoted names: PostgreSQL would give the result columns in lower case.
    st.sql = u"SELECT player_totals.Player AS \"Player\", "_s + total + u" AS \""_s + QString::fromUtf16(t.alias) +
             u"\" FROM player_totals "_s;
    QStringList conditions;
    if (!filters.isEmpty()) {
        st.bindings = filterPatterns(filters);
        conditions.append(u"("_s + anyPlayerLike(engine, st.bindings.size(), u"player_totals"_s) + u')');
    }
    if (t.skipNull)
        conditions.append(u"("_s + total + u" Is Not Null)"_s);
    if (!conditions.isEmpty())
        st.sql += u"WHERE "_s + conditions.join(u" AND "_s) + u' ';
    st.sql += rankingOrder(engine, total, u"player_totals.Player"_s);
    return st;
}

Statement groupedRankingQuery(SqlEngine engine, Ranking ranking, const Filters &filters)
{
    const RankingText t = rankingText(ranking);
    QString aggregate = QString::fromUtf16(t.aggregate);
    Statement st;
    st.sql = QString::fromUtf16(t.select);
    if (engine == SqlEngine::PostgreSQL && aggregate.startsWith(u"Sum("_s)) {
        // A sum of whole numbers is a decimal there: made whole, as in the totals.
        const QString whole = u"CAST("_s + aggregate + u" AS BIGINT)"_s;
        st.sql.replace(aggregate, whole);
        aggregate = whole;
    }
    QStringList conditions;
    if (!filters.isEmpty()) {
        st.bindings = filterPatterns(filters);
        conditions.append(u"("_s + anyPlayerLike(engine, st.bindings.size()) + u')');
    }
    if (t.skipNull)
        conditions.append(u"(("_s + aggregate + u") Is Not Null)"_s);
    if (!conditions.isEmpty())
        st.sql += u"HAVING ("_s + conditions.join(u" AND "_s) + u") "_s;
    st.sql += rankingOrder(engine, aggregate, u"player.Player"_s);
    return st;
}

namespace {

// The comment on the table player that holds the schema version.
constexpr auto kVersionComment = u"Rankhold schema version ";

// Any number will do, as long as no other program of the same database
// takes it: "Rankhold" in ASCII.
constexpr auto kWriterLock = u"SELECT pg_advisory_xact_lock(5936147191443713124);";

} // namespace

QString readSchemaVersion(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return u"SELECT COALESCE(CAST(substring(obj_description(to_regclass('player'), 'pg_class') FROM '^"_s +
               QString::fromUtf16(kVersionComment) + u"([0-9]+)$') AS INTEGER), 0);"_s;
    return u"PRAGMA user_version;"_s;
}

QString writeSchemaVersion(SqlEngine engine, int version)
{
    if (engine == SqlEngine::PostgreSQL)
        return u"COMMENT ON TABLE player IS '"_s + QString::fromUtf16(kVersionComment) + QString::number(version) +
               u"';"_s;
    return u"PRAGMA user_version = %1;"_s.arg(version);
}

QStringList beginWriting(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return QStringList{u"BEGIN;"_s} + lockWriters(engine);
    return {u"BEGIN IMMEDIATE;"_s};
}

QStringList lockWriters(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return {QString::fromUtf16(kWriterLock)};
    return {};
}

QString commit()
{
    return u"COMMIT;"_s;
}

QString rollback()
{
    return u"ROLLBACK;"_s;
}

QString savepoint()
{
    return u"SAVEPOINT rankhold_row;"_s;
}

QString rollbackToSavepoint()
{
    return u"ROLLBACK TO SAVEPOINT rankhold_row;"_s;
}

QString releaseSavepoint()
{
    return u"RELEASE SAVEPOINT rankhold_row;"_s;
}

QStringList connectionSettings(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return {u"SET client_min_messages = warning;"_s, u"SET plan_cache_mode = force_custom_plan;"_s};
    return {};
}

QStringList importSettings(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return {};
    return {u"PRAGMA temp_store = MEMORY;"_s};
}

QStringList afterImportSettings(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return {};
    return {u"PRAGMA temp_store = DEFAULT;"_s};
}

QString vacuumInto()
{
    return u"VACUUM INTO ?;"_s;
}

QStringList lockExclusively()
{
    return {u"PRAGMA locking_mode = EXCLUSIVE;"_s, u"BEGIN EXCLUSIVE;"_s, u"COMMIT;"_s};
}

QString probe(SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL)
        return u"SELECT 1;"_s;
    return u"PRAGMA schema_version;"_s;
}

QString databaseEncoding()
{
    return u"SELECT pg_encoding_to_char(encoding) FROM pg_database WHERE datname = current_database();"_s;
}

QString databaseSize()
{
    return u"SELECT pg_database_size(current_database());"_s;
}

QString mayCompactTables()
{
    return u"SELECT CASE WHEN (SELECT rolsuper FROM pg_roles WHERE rolname = current_user) "
           "OR pg_has_role(current_user, (SELECT datdba FROM pg_database WHERE datname = current_database()), "
           "'MEMBER') OR (SELECT bool_and(pg_has_role(current_user, relowner, 'MEMBER')) FROM pg_class "
           "WHERE oid IN (to_regclass('player'), to_regclass('player_totals'))) THEN 1 ELSE 0 END;"_s;
}

QString compactTables()
{
    return u"VACUUM (FULL, ANALYZE) player, player_totals;"_s;
}

QString tablesSize()
{
    return u"SELECT pg_total_relation_size('player') + pg_total_relation_size('player_totals');"_s;
}

QString limitLockWait()
{
    return u"SET lock_timeout = '10s';"_s;
}

QString resetLockWait()
{
    return u"RESET lock_timeout;"_s;
}

} // namespace PlayerSql
