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

Row readRow(const QSqlQuery &q)
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

// Every row the query gives, after running it.
std::vector<Row> readRows(QSqlQuery &q)
{
    std::vector<Row> rows;
    while (q.next())
        rows.push_back(readRow(q));
    q.finish();
    return rows;
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
    : m_db(std::move(db)), m_playerRows(m_db), m_gameRows(m_db), m_dateRows(m_db)
{
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

std::vector<PlayerTotals> PortalSource::playerTotals()
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

std::vector<Row> PortalSource::rowsOfPlayer(const QString &player)
{
    QSqlQuery &q = prepared(m_playerRows, PortalSql::rowsOfPlayer());
    q.bindValue(0, player);
    run(q);
    return readRows(q);
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
    return readRows(q);
}

void PortalSource::forEachPlayer(const std::function<void(const QString &, std::vector<Row> &)> &visit)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(PortalSql::allRowsByPlayer()))
        fail(q);
    std::vector<Row> rows;
    while (q.next()) {
        Row row = readRow(q);
        if (!rows.empty() && rows.front().player != row.player) {
            const QString player = rows.front().player;
            visit(player, rows);
            rows.clear();
        }
        rows.push_back(std::move(row));
    }
    if (q.lastError().isValid())
        fail(q);
    if (!rows.empty()) {
        const QString player = rows.front().player;
        visit(player, rows);
    }
}

void PortalSource::forEachRatingRow(const std::function<void(const Row &)> &visit)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(PortalSql::ratingRows()))
        fail(q);
    Row row;
    while (q.next()) {
        row.player = q.value(0).toString();
        row.game = {q.value(1).toString(), q.value(2).toString(), q.value(3).toString()};
        row.type = q.value(4).toString();
        row.kills = q.value(5).toLongLong();
        row.deaths = q.value(6).toLongLong();
        row.score = optionalInteger(q.value(7));
        row.zonetime = optionalInteger(q.value(8));
        row.flags = optionalInteger(q.value(9));
        row.targets = optionalInteger(q.value(10));
        visit(row);
    }
    if (q.lastError().isValid())
        fail(q);
}

void PortalSource::forEachPlayerDays(
    const std::function<void(const QString &, const std::vector<std::pair<QString, awards::Figures>> &)> &visit)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(PortalSql::playerDays()))
        fail(q);
    QString player;
    std::vector<std::pair<QString, awards::Figures>> days;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (!days.empty() && name != player) {
            visit(player, days);
            days.clear();
        }
        player = name;
        awards::Figures f;
        f.games = q.value(2).toLongLong();
        f.kills = q.value(3).toLongLong();
        f.deaths = q.value(4).toLongLong();
        f.flags = optionalInteger(q.value(5));
        f.zonetime = optionalInteger(q.value(6));
        f.targets = optionalInteger(q.value(7));
        days.emplace_back(q.value(1).toString(), f);
    }
    if (q.lastError().isValid())
        fail(q);
    if (!days.empty())
        visit(player, days);
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
