#include "portal/PortalSource.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/PortalSql.h"

#include <QSqlError>

using namespace Qt::StringLiterals;

namespace portal {

namespace {

std::optional<qint64> optionalInteger(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toLongLong();
}

Row plainRow(const QSqlQuery &q)
{
    namespace c = PortalSql;
    Row row;
    row.player = q.value(c::Player).toString();
    row.game = {q.value(c::Date).toString(), q.value(c::Time).toString(), q.value(c::Game).toString()};
    row.type = q.value(c::Gametype).toString();
    row.winner = q.value(c::Winner).toString();
    row.kills = q.value(c::Kills).toLongLong();
    row.deaths = q.value(c::Deaths).toLongLong();
    row.ratio = q.value(c::Ratio).toDouble();
    row.score = optionalInteger(q.value(c::Score));
    row.zonetime = optionalInteger(q.value(c::Zonetime));
    row.flags = optionalInteger(q.value(c::Flags));
    row.targets = optionalInteger(q.value(c::Targets));
    return row;
}

void run(QSqlQuery &query)
{
    if (!query.exec())
        throw RankholdError(engineMessage(query.lastError()));
}

void fail(const QSqlQuery &query)
{
    throw RankholdError(engineMessage(query.lastError()));
}

// A game's type and winner are the same on each of its rows; the first row's are taken.
Game startGame(Row &row)
{
    Game game;
    game.key = row.game;
    game.type = row.type;
    game.winner = row.winner;
    game.lines.push_back(std::move(row));
    return game;
}

} // namespace

PortalSource::PortalSource(QSqlDatabase db)
    : m_db(std::move(db)), m_names(loadNameAssignments(m_db)), m_merged(m_names.playersWithAliases()),
      m_playerRows(m_db), m_gameRows(m_db), m_dateRows(m_db)
{
}

Row PortalSource::readRow(const QSqlQuery &q) const
{
    Row row = plainRow(q);
    if (!m_names.isEmpty()) {
        row.player = m_names.playerOf(row.player);
        row.hidden = m_names.isHidden(row.player);
    }
    return row;
}

// Every row the query gives, after running it.
std::vector<Row> PortalSource::readRows(QSqlQuery &q, bool shownOnly) const
{
    std::vector<Row> rows;
    while (q.next()) {
        Row row = readRow(q);
        if (!shownOnly || !row.hidden)
            rows.push_back(std::move(row));
    }
    q.finish();
    return rows;
}

QSqlQuery &PortalSource::prepared(QSqlQuery &query, const QString &sql)
{
    if (query.lastQuery() != sql) {
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            fail(query);
    }
    return query;
}

std::vector<PlayerTotals> PortalSource::storedTotals()
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(PortalSql::playerTotals()))
        fail(q);
    std::vector<PlayerTotals> out;
    while (q.next()) {
        PlayerTotals p;
        p.name = q.value(0).toString();
        p.totals.games = q.value(1).toLongLong();
        p.totals.kills = q.value(2).toLongLong();
        p.totals.deaths = q.value(3).toLongLong();
        p.totals.flags = optionalInteger(q.value(4));
        p.totals.zonetime = optionalInteger(q.value(5));
        p.totals.targets = optionalInteger(q.value(6));
        if (!q.value(7).isNull())
            p.totals.bestRatio = q.value(7).toDouble();
        out.push_back(std::move(p));
    }
    if (q.lastError().isValid())
        fail(q);
    return out;
}

std::vector<PlayerTotals> PortalSource::shownTotals(const std::vector<PlayerTotals> &stored) const
{
    if (m_names.isEmpty())
        return stored;
    std::vector<PlayerTotals> out;
    QHash<QString, size_t> merged; // where a player of several names is
    for (const PlayerTotals &p : stored) {
        const QString &player = m_names.playerOf(p.name);
        if (m_names.isHidden(player))
            continue;
        if (!m_merged.contains(player)) {
            out.push_back(p);
            continue;
        }
        const auto at = merged.constFind(player);
        if (at == merged.cend()) {
            merged.insert(player, out.size());
            out.push_back({player, p.totals});
        } else {
            out[*at].totals.add(p.totals);
        }
    }
    return out;
}

std::vector<Row> PortalSource::rowsOfPlayer(const QString &player)
{
    std::vector<Row> rows;
    for (const QString &name : m_names.namesOf(player)) {
        QSqlQuery &q = prepared(m_playerRows, PortalSql::rowsOfPlayer());
        q.bindValue(0, name);
        run(q);
        std::vector<Row> more = readRows(q, false);
        std::move(more.begin(), more.end(), std::back_inserter(rows));
    }
    return rows;
}

std::vector<GameKey> PortalSource::gamesOfName(const QString &name)
{
    QSqlQuery &q = prepared(m_playerRows, PortalSql::rowsOfPlayer());
    q.bindValue(0, name);
    run(q);
    std::vector<GameKey> games;
    while (q.next())
        games.push_back(plainRow(q).game);
    q.finish();
    return games;
}

std::map<QString, std::vector<MapPlayer>> PortalSource::playersOnMaps(const QStringList &maps)
{
    std::map<QString, std::vector<MapPlayer>> out;
    if (maps.isEmpty())
        return out;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(PortalSql::figuresOnMaps(int(maps.size()))))
        fail(q);
    for (qsizetype i = 0; i < maps.size(); ++i)
        q.bindValue(int(i), maps.at(i));
    run(q);
    std::map<QString, QHash<QString, MapPlayer>> figures;
    while (q.next()) {
        const QString &player = m_names.playerOf(q.value(1).toString());
        if (m_names.isHidden(player))
            continue;
        MapPlayer &p = figures[q.value(0).toString()][player];
        p.name = player;
        p.games += q.value(2).toLongLong();
        p.kills += q.value(3).toLongLong();
        p.deaths += q.value(4).toLongLong();
    }
    if (q.lastError().isValid())
        fail(q);
    for (const QString &map : maps)
        out[map];
    for (auto &[map, players] : figures) {
        std::vector<MapPlayer> &list = out[map];
        for (const MapPlayer &p : std::as_const(players))
            list.push_back(p);
    }
    return out;
}

Game PortalSource::game(const GameKey &key)
{
    QSqlQuery &q = prepared(m_gameRows, PortalSql::rowsAtDateTime());
    const PortalSql::IdRange range = PortalSql::idRange(key.date + u' ' + key.time + u' ');
    q.bindValue(0, range.first);
    q.bindValue(1, range.past);
    q.bindValue(2, key.date);
    q.bindValue(3, key.time);
    run(q);
    Game game;
    game.key = key;
    while (q.next()) {
        Row row = readRow(q);
        if (row.game.map != key.map)
            continue;
        if (game.lines.empty()) {
            game = startGame(row);
        } else {
            game.lines.push_back(std::move(row));
        }
    }
    q.finish();
    return game;
}

std::vector<Row> PortalSource::rowsOnDate(const QString &dateText)
{
    QSqlQuery &q = prepared(m_dateRows, PortalSql::rowsOnDate());
    const PortalSql::IdRange range = PortalSql::idRange(dateText + u' ');
    q.bindValue(0, range.first);
    q.bindValue(1, range.past);
    q.bindValue(2, dateText);
    run(q);
    return readRows(q, true);
}

RowStore PortalSource::allRows(qint64 expected, const std::function<void(qint64)> &read)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(PortalSql::allRows()))
        fail(q);
    RowStore store;
    store.reserve(size_t(std::max<qint64>(expected, 0)));
    constexpr qint64 kTold = 4096;
    while (q.next()) {
        store.add(plainRow(q));
        if (read && store.size() % kTold == 0)
            read(kTold);
    }
    if (q.lastError().isValid())
        fail(q);
    if (read)
        read(qint64(store.size()) % kTold);
    store.seal();
    return store;
}

void PortalSource::forEachGame(const std::function<void(Game &)> &visit)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(PortalSql::allRowsByGame()))
        fail(q);
    Game game;
    while (q.next()) {
        Row row = readRow(q);
        if (!game.lines.empty() && game.key != row.game) {
            visit(game);
            game = Game();
        }
        if (game.lines.empty()) {
            game = startGame(row);
        } else {
            game.lines.push_back(std::move(row));
        }
    }
    if (q.lastError().isValid())
        fail(q);
    if (!game.lines.empty())
        visit(game);
}

} // namespace portal
