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

QString deleteAll()
{
    return u"DELETE FROM player;"_s;
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
QString anyPlayerLike(qsizetype patterns)
{
    QStringList likes;
    for (qsizetype i = 0; i < patterns; ++i)
        likes.append(u"(player.Player) Like ?"_s);
    return likes.join(u" Or "_s);
}

struct RankingText {
    const char16_t *select;    // up to and including "GROUP BY player.Player "
    const char16_t *aggregate; // Sum(player.Kills)
    bool skipNull;             // leave out players whose aggregate is empty
};

RankingText rankingText(Ranking ranking)
{
    switch (ranking) {
    case Ranking::Kills:
        return {u"SELECT player.Player, Sum(player.Kills) AS TotalKills FROM player GROUP BY player.Player ",
                u"Sum(player.Kills)", false};
    case Ranking::Deaths:
        return {u"SELECT player.Player, Sum(player.Deaths) AS TotalDeaths FROM player GROUP BY player.Player ",
                u"Sum(player.Deaths)", false};
    case Ranking::Flags:
        return {u"SELECT player.Player, Sum(player.Flags) AS TotalFlags FROM player GROUP BY player.Player ",
                u"Sum(player.Flags)", true};
    case Ranking::Zonetime:
        return {u"SELECT player.Player, Sum(player.Zonetime) AS TotalZonetime FROM player GROUP BY player.Player ",
                u"Sum(player.Zonetime)", true};
    case Ranking::Targets:
        return {u"SELECT player.Player, Sum(player.Targets) AS TotalTargets FROM player GROUP BY player.Player ",
                u"Sum(player.Targets)", true};
    case Ranking::Ratio:
        return {u"SELECT player.Player, Max(player.Ratio) AS BestRatio FROM player GROUP BY player.Player ",
                u"Max(player.Ratio)", true};
    }
    return {u"", u"", false};
}

} // namespace

Statement deleteByFilters(const Filters &filters, bool matching)
{
    Statement st;
    if (filters.isEmpty())
        return st;
    st.bindings = filterPatterns(filters);
    QStringList conditions;
    for (qsizetype i = 0; i < st.bindings.size(); ++i)
        conditions.append(matching ? u"(((player.Player) Like ?))"_s : u"(((player.Player) Not Like ?))"_s);
    st.sql = u"DELETE FROM player WHERE "_s + conditions.join(matching ? u" OR "_s : u" AND "_s) + u';';
    return st;
}

Statement countPlayers(const Filters &filters)
{
    Statement st;
    st.sql = u"SELECT COUNT(DISTINCT player.Player) FROM player"_s;
    if (!filters.isEmpty()) {
        st.bindings = filterPatterns(filters);
        st.sql += u" WHERE "_s + anyPlayerLike(st.bindings.size());
    }
    st.sql += u';';
    return st;
}

Statement rankingQuery(Ranking ranking, const Filters &filters)
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
