#include "scores/PlayerNames.h"

#include "platform/System.h"
#include "scores/NameSuggestions.h"
#include "scores/NamesSql.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"

#include <QDateTime>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

QStringView withoutTrailingBlanks(QStringView name)
{
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == u' ')
        --end;
    return name.left(end);
}

QString quoted(const QString &name)
{
    return u'"' + name + u'"';
}

// Quoted, without its padding: the log and the messages of a change.
QString said(const QString &name)
{
    return quoted(cutForMessage(withoutTrailingBlanks(name).toString()));
}

QSqlQuery run(QSqlDatabase &db, const QString &sql, const QVariantList &bindings = {})
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    execStatement(q, {sql, bindings});
    return q;
}

} // namespace

PlayerNames::AmbiguousName::AmbiguousName(const QString &given, QStringList candidates, const QString &list)
    : RankholdError(u"%1 stored names match %2; give the exact one, in quotes with its blanks"_s.arg(
                        QString::number(candidates.size()), said(given)),
                    list),
      m_candidates(std::move(candidates))
{
}

PlayerNames::PlayerNames(QSqlDatabase db) : m_db(std::move(db)) {}

PlayerNames::Stored PlayerNames::read()
{
    Stored stored;
    QSqlQuery q = run(m_db, NamesSql::storedNames());
    while (q.next())
        stored.games.insert(q.value(0).toString(), q.value(1).toLongLong());
    if (q.lastError().isValid())
        throw RankholdError(engineMessage(q.lastError()));
    stored.names = loadNameAssignments(m_db);
    return stored;
}

std::vector<PlayerNames::Name> PlayerNames::list()
{
    const Stored stored = read();
    std::vector<Name> out;
    for (auto it = stored.games.cbegin(); it != stored.games.cend(); ++it) {
        const QString &player = stored.names.playerOf(it.key());
        out.push_back(
            {it.key(), it.value(), player == it.key() ? QString() : player, stored.names.hidden.contains(it.key())});
    }
    std::sort(out.begin(), out.end(), [](const Name &a, const Name &b) { return a.name < b.name; });
    return out;
}

QString PlayerNames::resolveIn(const Stored &stored, const QString &given) const
{
    if (stored.games.contains(given))
        return given;
    const QStringView wanted = withoutTrailingBlanks(given);
    QStringList candidates;
    for (auto it = stored.games.cbegin(); it != stored.games.cend(); ++it) {
        if (withoutTrailingBlanks(it.key()) == wanted)
            candidates.append(it.key());
    }
    std::sort(candidates.begin(), candidates.end());
    if (candidates.size() > 1) {
        QStringList lines;
        for (const QString &c : std::as_const(candidates))
            lines.append(u"  "_s + quoted(cutForMessage(c)) + u" (%1 games)"_s.arg(stored.games.value(c)));
        throw AmbiguousName(given, candidates, lines.join(u'\n'));
    }
    if (candidates.isEmpty())
        throw RankholdError(u"No player is named %1"_s.arg(said(given)));
    return candidates.front();
}

QString PlayerNames::resolve(const QString &given)
{
    return resolveIn(read(), given);
}

QString PlayerNames::shown(const QString &name, const std::vector<Name> &all)
{
    const QStringView bare = withoutTrailingBlanks(name);
    const auto twins =
        std::count_if(all.begin(), all.end(), [&](const Name &n) { return withoutTrailingBlanks(n.name) == bare; });
    return twins > 1 ? quoted(name) : bare.toString();
}

QString PlayerNames::write(const std::function<QString(Stored &, QSqlDatabase &)> &change)
{
    for (const QString &statement : PlayerSql::beginWriting(engineOf(m_db)))
        execSql(m_db, statement);
    QString line;
    try {
        Stored stored = read();
        line = change(stored, m_db);
        run(m_db, NamesSql::addLogEntry(),
            {QDateTime::currentDateTimeUtc().toString(Qt::ISODate), platform::userName(), line});
        execSql(m_db, PlayerSql::commit());
    } catch (...) {
        QSqlQuery(m_db).exec(PlayerSql::rollback());
        throw;
    }
    return line;
}

bool PlayerNames::metInAGame(const QStringList &a, const QStringList &b)
{
    const auto gamesOf = [this](const QStringList &names) {
        // Date, time and map; the date and the time hold no line break.
        QSet<QString> games;
        for (const QString &name : names) {
            QSqlQuery q = run(m_db, NamesSql::gamesOfName(), {name});
            while (q.next())
                games.insert(q.value(0).toString() + u'\n' + q.value(1).toString() + u'\n' + q.value(2).toString());
        }
        return games;
    };
    return gamesOf(a).intersects(gamesOf(b));
}

QString PlayerNames::merge(const QString &aliasGiven, const QString &intoGiven)
{
    return write([&](Stored &s, QSqlDatabase &db) {
        const QString alias = resolveIn(s, aliasGiven), into = resolveIn(s, intoGiven);
        const NameAssignments &n = s.names;
        if (alias == into)
            throw RankholdError(u"%1 cannot be merged into itself"_s.arg(said(alias)));
        if (n.countsAs.contains(alias))
            throw RankholdError(
                u"%1 counts as %2 already; unmerge it first"_s.arg(said(alias), said(n.playerOf(alias))));
        if (n.countsAs.contains(into))
            throw RankholdError(u"%1 counts as %2: merge into %2"_s.arg(said(into), said(n.playerOf(into))));
        const QStringList aliasNames = n.namesOf(alias);
        if (aliasNames.size() > 1)
            throw RankholdError(u"%1 counts as %2: unmerge it first"_s.arg(said(aliasNames.at(1)), said(alias)));
        if (n.hidden.contains(alias))
            throw RankholdError(u"%1 is hidden: show it first, or hide %2"_s.arg(said(alias), said(into)));
        // One player has one line in a game; two lines there are two players.
        if (metInAGame({alias}, n.namesOf(into)))
            throw RankholdError(
                u"%1 and %2 played in the same game: they are two players, not one"_s.arg(said(alias), said(into)));
        run(db, NamesSql::setAssignment(), {alias, into, 0});
        return u"merge %1 into %2"_s.arg(said(alias), said(into));
    });
}

QString PlayerNames::unmerge(const QString &aliasGiven)
{
    return write([&](Stored &s, QSqlDatabase &db) {
        const QString alias = resolveIn(s, aliasGiven);
        if (!s.names.countsAs.contains(alias))
            throw RankholdError(u"%1 counts as no other name"_s.arg(said(alias)));
        run(db, NamesSql::clearAssignment(), {alias});
        return u"unmerge %1 from %2"_s.arg(said(alias), said(s.names.playerOf(alias)));
    });
}

QString PlayerNames::hide(const QString &given)
{
    return write([&](Stored &s, QSqlDatabase &db) {
        const QString name = resolveIn(s, given);
        if (s.names.countsAs.contains(name))
            throw RankholdError(u"%1 counts as %2: hide %2"_s.arg(said(name), said(s.names.playerOf(name))));
        if (s.names.hidden.contains(name))
            throw RankholdError(u"%1 is hidden already"_s.arg(said(name)));
        run(db, NamesSql::setAssignment(), {name, QVariant(QMetaType::fromType<QString>()), 1});
        return u"hide %1"_s.arg(said(name));
    });
}

QString PlayerNames::show(const QString &given)
{
    return write([&](Stored &s, QSqlDatabase &db) {
        const QString name = resolveIn(s, given);
        if (!s.names.hidden.contains(name))
            throw RankholdError(u"%1 is not hidden"_s.arg(said(name)));
        run(db, NamesSql::clearAssignment(), {name});
        return u"show %1"_s.arg(said(name));
    });
}

std::vector<PlayerNames::LogEntry> PlayerNames::log()
{
    std::vector<LogEntry> out;
    QSqlQuery q = run(m_db, NamesSql::logEntries());
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    if (q.lastError().isValid())
        throw RankholdError(engineMessage(q.lastError()));
    return out;
}

std::vector<PlayerNames::Suggestion> PlayerNames::suggest()
{
    const Stored s = read();
    QStringList players;
    for (auto it = s.games.cbegin(); it != s.games.cend(); ++it) {
        if (!s.names.countsAs.contains(it.key()))
            players.append(it.key());
    }
    std::sort(players.begin(), players.end());
    const auto entry = [&](const QString &player) {
        qint64 games = 0;
        for (const QString &name : s.names.namesOf(player))
            games += s.games.value(name);
        return Name{player, games, {}, s.names.hidden.contains(player)};
    };
    std::vector<Suggestion> out;
    for (const namesuggestions::AlikePair &pair : namesuggestions::alikePairs(players)) {
        const QString &a = players.at(pair.a), &b = players.at(pair.b);
        if (metInAGame(s.names.namesOf(a), s.names.namesOf(b)))
            continue;
        Name ea = entry(a), eb = entry(b);
        if (std::tie(eb.games, ea.name) > std::tie(ea.games, eb.name))
            std::swap(ea, eb);
        out.push_back({ea, eb, pair.distance});
    }
    std::sort(out.begin(), out.end(), [](const Suggestion &x, const Suggestion &y) {
        return std::tie(x.distance, y.more.games, x.more.name, x.fewer.name) <
               std::tie(y.distance, x.more.games, y.more.name, y.fewer.name);
    });
    return out;
}
