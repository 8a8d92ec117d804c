#include "scores/PlayerSql.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace PlayerSql {

QString countRows()
{
    return u"SELECT COUNT(*) FROM player;"_s;
}

QString lookupId()
{
    return u"SELECT 1 FROM player WHERE player.Id = ?;"_s;
}

const QStringList &insertColumns()
{
    static const QStringList columns = {u"Id"_s,       u"Player"_s,   u"Kills"_s, u"Deaths"_s, u"Game"_s,
                                        u"Gametype"_s, u"Date"_s,     u"Time"_s,  u"Winner"_s, u"Ratio"_s,
                                        u"Score"_s,    u"Zonetime"_s, u"Flags"_s, u"Targets"_s};
    return columns;
}

QString insertRow()
{
    return u"INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
           "Zonetime, Flags, Targets) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);"_s;
}

QString insertRowNamed()
{
    return u"INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
           "Zonetime, Flags, Targets) VALUES (:Id, :Player, :Kills, :Deaths, :Game, :Gametype, :Date, :Time, "
           ":Winner, :Ratio, :Score, :Zonetime, :Flags, :Targets);"_s;
}

QString idsWithPrefix()
{
    return u"SELECT player.Id FROM player WHERE player.Id >= ? AND player.Id < ?;"_s;
}

QString countRowsFromTotals()
{
    return u"SELECT COALESCE(Sum(player_totals.Games), 0) FROM player_totals;"_s;
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

// "(player.Player) Like ? Or ..." with one placeholder a pattern.
QString anyPlayerLike(qsizetype patterns, const QString &table = u"player"_s)
{
    QStringList likes;
    for (qsizetype i = 0; i < patterns; ++i)
        likes.append(u"("_s + table + u".Player) Like ?"_s);
    return likes.join(u" Or "_s);
}

// The condition of the filter deletes on the Player column of `table`.
QString filterDeleteCondition(qsizetype patterns, bool matching, const QString &table)
{
    const QString condition = u"((("_s + table + (matching ? u".Player) Like ?))"_s : u".Player) Not Like ?))"_s);
    QStringList conditions;
    for (qsizetype i = 0; i < patterns; ++i)
        conditions.append(condition);
    return conditions.join(matching ? u" OR "_s : u" AND "_s);
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

QList<Statement> deleteByFilters(const Filters &filters, bool matching)
{
    if (filters.isEmpty())
        return {};
    const QVariantList patterns = filterPatterns(filters);
    QList<Statement> statements;
    for (const QString &table : {u"player_totals"_s, u"player"_s}) {
        statements.append(
            {u"DELETE FROM "_s + table + u" WHERE "_s + filterDeleteCondition(patterns.size(), matching, table) + u';',
             patterns});
    }
    return statements;
}

// The row count of the kills ranking: every Player value, NULL included.
Statement countPlayers(const Filters &filters)
{
    Statement st;
    st.sql = u"SELECT COUNT(*) FROM player_totals"_s;
    if (!filters.isEmpty()) {
        st.bindings = filterPatterns(filters);
        st.sql += u" WHERE "_s + anyPlayerLike(st.bindings.size(), u"player_totals"_s);
    }
    st.sql += u';';
    return st;
}

Statement rankingQuery(Ranking ranking, const Filters &filters)
{
    const RankingText t = rankingText(ranking);
    const QString total = u"player_totals."_s + QString::fromUtf16(t.total);
    Statement st;
    st.sql = u"SELECT player_totals.Player, "_s + total + u" AS "_s + QString::fromUtf16(t.alias) +
             u" FROM player_totals "_s;
    QStringList conditions;
    if (!filters.isEmpty()) {
        st.bindings = filterPatterns(filters);
        conditions.append(u"("_s + anyPlayerLike(st.bindings.size(), u"player_totals"_s) + u')');
    }
    if (t.skipNull)
        conditions.append(u"("_s + total + u" Is Not Null)"_s);
    if (!conditions.isEmpty())
        st.sql += u"WHERE "_s + conditions.join(u" AND "_s) + u' ';
    st.sql += u"ORDER BY "_s + total + u" DESC, player_totals.Player;"_s;
    return st;
}

Statement groupedRankingQuery(Ranking ranking, const Filters &filters)
{
    const RankingText t = rankingText(ranking);
    const QString aggregate = QString::fromUtf16(t.aggregate);
    Statement st;
    st.sql = QString::fromUtf16(t.select);
    QStringList conditions;
    if (!filters.isEmpty()) {
        st.bindings = filterPatterns(filters);
        conditions.append(u"("_s + anyPlayerLike(st.bindings.size()) + u')');
    }
    if (t.skipNull)
        conditions.append(u"(("_s + aggregate + u") Is Not Null)"_s);
    if (!conditions.isEmpty())
        st.sql += u"HAVING ("_s + conditions.join(u" AND "_s) + u") "_s;
    st.sql += u"ORDER BY "_s + aggregate + u" DESC, player.Player;"_s;
    return st;
}

QString readSchemaVersion()
{
    return u"PRAGMA user_version;"_s;
}

QString writeSchemaVersion(int version)
{
    return u"PRAGMA user_version = %1;"_s.arg(version);
}

QString beginWriting()
{
    return u"BEGIN IMMEDIATE;"_s;
}

QString commit()
{
    return u"COMMIT;"_s;
}

QString rollback()
{
    return u"ROLLBACK;"_s;
}

QStringList connectionSettings()
{
    return {};
}

QString vacuumInto()
{
    return u"VACUUM INTO ?;"_s;
}

QStringList lockExclusively()
{
    return {u"PRAGMA locking_mode = EXCLUSIVE;"_s, u"BEGIN EXCLUSIVE;"_s, u"COMMIT;"_s};
}

QString probe()
{
    return u"PRAGMA schema_version;"_s;
}

} // namespace PlayerSql
