#include "portal/PortalSource.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/PortalSql.h"
#include "scores/SqliteStatement.h"

#include <QSqlError>

#include <atomic>
#include <system_error>
#include <thread>

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

// The row's figures read straight from SQLite, each as the variant Qt
// would make of it converts, without the variant where the column holds
// what it should.
void readFigures(const SqliteStatement::Cells &cells, Row &row)
{
    namespace c = PortalSql;
    using Type = SqliteStatement::Cells::Type;
    const auto integer = [&](int column) {
        return cells.type(column) == Type::Integer ? cells.integer(column) : cells.value(column).toLongLong();
    };
    const auto optional = [&](int column) -> std::optional<qint64> {
        if (cells.type(column) == Type::Null)
            return std::nullopt;
        return integer(column);
    };
    row.kills = integer(c::Kills);
    row.deaths = integer(c::Deaths);
    row.ratio = cells.type(c::Ratio) == Type::Real ? cells.real(c::Ratio) : cells.value(c::Ratio).toDouble();
    row.score = optional(c::Score);
    row.zonetime = optional(c::Zonetime);
    row.flags = optional(c::Flags);
    row.targets = optional(c::Targets);
}

// The whole row. Texts stay in SQLite's buffer unless `owned`.
Row plainRow(const SqliteStatement::Cells &cells, bool owned)
{
    namespace c = PortalSql;
    const auto text = [&](int column) {
        if (cells.type(column) != SqliteStatement::Cells::Type::Text)
            return cells.value(column).toString();
        return owned ? cells.text(column) : cells.textInPlace(column);
    };
    Row row;
    row.player = text(c::Player);
    row.game = {text(c::Date), text(c::Time), text(c::Game)};
    row.type = text(c::Gametype);
    row.winner = text(c::Winner);
    readFigures(cells, row);
    return row;
}

// The columns of RowStore's texts.
constexpr std::array<int, RowStore::kTextColumns> kTextColumns = {
    PortalSql::Player, PortalSql::Date, PortalSql::Time, PortalSql::Game, PortalSql::Gametype, PortalSql::Winner};

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
    : m_db(std::move(db)), m_names(loadNameAssignments(m_db)), m_merged(m_names.playersWithAliases())
{
}

PortalSource::~PortalSource() = default;

void PortalSource::named(Row &row) const
{
    if (!m_names.isEmpty()) {
        row.player = m_names.playerOf(row.player);
        row.hidden = m_names.isHidden(row.player);
    }
}

SqliteStatement *PortalSource::sqlite(const QString &sql)
{
    auto statement = m_statements.find(sql);
    if (statement == m_statements.end()) {
        QSqlError error;
        std::unique_ptr<SqliteStatement> prepared = SqliteStatement::prepare(m_db, sql, &error);
        if (!prepared && error.isValid())
            throw RankholdError(engineMessage(error));
        statement = m_statements.emplace(sql, std::move(prepared)).first;
    }
    return statement->second.get();
}

void PortalSource::selectCells(SqliteStatement &statement, const QStringList &binds,
                               const std::function<void(const SqliteStatement::Cells &)> &visit)
{
    std::vector<SqliteStatement::Value> values;
    for (const QString &bind : binds)
        values.push_back(SqliteStatement::Value::textOf(bind));
    QSqlError error;
    if (!statement.selectRows(values, visit, &error))
        throw RankholdError(engineMessage(error));
}

void PortalSource::selectRows(const QString &sql, const QStringList &binds, bool owned,
                              const std::function<void(Row &)> &visit)
{
    if (SqliteStatement *statement = sqlite(sql)) {
        selectCells(*statement, binds, [&](const SqliteStatement::Cells &cells) {
            Row row = plainRow(cells, owned);
            visit(row);
        });
        return;
    }
    // Another engine: through Qt.
    QSqlQuery &q = m_queries[sql];
    if (q.lastQuery() != sql) {
        q = QSqlQuery(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            fail(q);
    }
    for (qsizetype i = 0; i < binds.size(); ++i)
        q.bindValue(int(i), binds.at(i));
    run(q);
    while (q.next()) {
        Row row = plainRow(q);
        visit(row);
    }
    if (q.lastError().isValid())
        fail(q);
    q.finish();
}

std::vector<Row> PortalSource::namedRows(const QString &sql, const QStringList &binds, bool shownOnly)
{
    std::vector<Row> rows;
    selectRows(sql, binds, true, [&](Row &row) {
        named(row);
        if (!shownOnly || !row.hidden)
            rows.push_back(std::move(row));
    });
    return rows;
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
        std::vector<Row> more = namedRows(PortalSql::rowsOfPlayer(), {name}, false);
        std::move(more.begin(), more.end(), std::back_inserter(rows));
    }
    return rows;
}

std::vector<GameKey> PortalSource::gamesOfName(const QString &name)
{
    std::vector<GameKey> games;
    selectRows(PortalSql::rowsOfPlayer(), {name}, true, [&](Row &row) { games.push_back(std::move(row.game)); });
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
    const PortalSql::IdRange range = PortalSql::idRange(key.date + u' ' + key.time + u' ');
    Game game;
    game.key = key;
    selectRows(PortalSql::rowsAtDateTime(), {range.first, range.past, key.date, key.time}, true, [&](Row &row) {
        if (row.game.map != key.map)
            return;
        named(row);
        if (game.lines.empty()) {
            game = startGame(row);
        } else {
            game.lines.push_back(std::move(row));
        }
    });
    return game;
}

std::vector<Row> PortalSource::rowsOnDate(const QString &dateText)
{
    const PortalSql::IdRange range = PortalSql::idRange(dateText + u' ');
    return namedRows(PortalSql::rowsOnDate(), {range.first, range.past, dateText}, true);
}

namespace {

// Reads the rows `statement` gives into `store`, calling `added` after
// each; `stop` ends the reading early by throwing. False with `error` set
// when SQLite refuses it.
bool readRows(SqliteStatement &statement, const std::vector<SqliteStatement::Value> &values, RowStore &store,
              const std::function<void()> &added, QSqlError &error, const std::atomic<bool> *stop = nullptr)
{
    // The texts by their bytes, as SQLite holds them: most were seen before.
    Row figures;
    std::array<std::string_view, RowStore::kTextColumns> texts;
    return statement.selectRows(
        values,
        [&](const SqliteStatement::Cells &cells) {
            if (stop && stop->load(std::memory_order_relaxed))
                throw std::exception(); // ends the reading; the statement is reset
            for (size_t t = 0; t < texts.size(); ++t) {
                if (cells.type(kTextColumns[t]) != SqliteStatement::Cells::Type::Text) {
                    store.add(plainRow(cells, false));
                    added();
                    return;
                }
                texts[t] = cells.utf8(kTextColumns[t]);
            }
            readFigures(cells, figures);
            store.addUtf8(
                texts, [&](RowStore::TextColumn t) { return cells.textInPlace(kTextColumns[size_t(t)]); }, figures);
            added();
        },
        &error);
}

// The rows past a rowid, read on a thread and a connection of their own
// while the caller reads those up to it.
class LaterRows
{
public:
    LaterRows(std::unique_ptr<SqliteReader> reader, qint64 past, size_t expected)
        : m_reader(std::move(reader)), m_past(past)
    {
        m_store.reserve(expected);
        m_thread = std::thread([this] { read(); });
    }
    ~LaterRows()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    LaterRows(const LaterRows &) = delete;
    LaterRows &operator=(const LaterRows &) = delete;

    qint64 rowsSoFar() const { return m_rows.load(std::memory_order_relaxed); }
    // Waits for the reading; null when it failed (a lock it could not take
    // at once, or whatever else), and the caller reads those rows itself.
    const RowStore *wait()
    {
        m_thread.join();
        return m_read ? &m_store : nullptr;
    }

private:
    void read()
    {
        try {
            QSqlError error;
            std::unique_ptr<SqliteStatement> statement = m_reader->prepare(PortalSql::allRowsPastRowid(), &error);
            m_read = statement && readRows(
                                      *statement, {SqliteStatement::Value::integerOf(m_past)}, m_store,
                                      [this] { m_rows.fetch_add(1, std::memory_order_relaxed); }, error, &m_stop);
            statement.reset();
        } catch (...) {
            m_read = false;
        }
        m_reader.reset();
    }

    std::unique_ptr<SqliteReader> m_reader;
    const qint64 m_past;
    RowStore m_store;
    bool m_read = false;
    std::atomic<qint64> m_rows{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

std::optional<qint64> PortalSource::halfwayRowid()
{
    QSqlError error;
    const std::unique_ptr<SqliteStatement> bounds = SqliteStatement::prepare(m_db, PortalSql::rowidBounds(), &error);
    std::optional<qint64> halfway;
    if (bounds) {
        bounds->selectRows(
            {},
            [&](const SqliteStatement::Cells &cells) {
                using Type = SqliteStatement::Cells::Type;
                if (cells.type(0) != Type::Integer || cells.type(1) != Type::Integer)
                    return;
                const qint64 low = cells.integer(0), high = cells.integer(1);
                if (low < high)
                    halfway = low + (high - low) / 2;
            },
            &error);
    }
    return halfway;
}

RowStore PortalSource::allRows(qint64 expected, const std::function<void(qint64)> &read, bool sideBySide)
{
    RowStore store;
    const auto rows = size_t(std::max<qint64>(expected, 0));
    store.reserve(rows);
    // Told every few thousand rows, those of the other thread with them.
    constexpr qint64 kTold = 4096;
    std::unique_ptr<LaterRows> later;
    qint64 toldSoFar = 0;
    const auto tell = [&](qint64 total) {
        if (read && total > toldSoFar)
            read(total - toldSoFar);
        toldSoFar = std::max(toldSoFar, total);
    };
    const auto told = [&] {
        if (read && store.size() % kTold == 0)
            tell(qint64(store.size()) + (later ? later->rowsSoFar() : 0));
    };
    if (SqliteStatement *statement = sqlite(PortalSql::allRows())) {
        // Read in two halves side by side where a second connection sees
        // the same rows: SQLite's stepping is most of the reading.
        qint64 halfway = 0;
        if (const std::optional<qint64> found = sideBySide ? halfwayRowid() : std::nullopt) {
            halfway = *found;
            if (std::unique_ptr<SqliteReader> reader = SqliteReader::besideReadOf(m_db)) {
                try {
                    later = std::make_unique<LaterRows>(std::move(reader), halfway, rows / 2);
                } catch (const std::system_error &) {
                    // No thread to be had: one reads it all.
                }
            }
        }
        QSqlError error;
        bool done = false;
        if (later) {
            SqliteStatement *first = sqlite(PortalSql::allRowsUpToRowid());
            done = readRows(*first, {SqliteStatement::Value::integerOf(halfway)}, store, told, error);
            if (done) {
                if (const RowStore *rest = later->wait()) {
                    store.append(*rest);
                } else {
                    SqliteStatement *past = sqlite(PortalSql::allRowsPastRowid());
                    done = readRows(*past, {SqliteStatement::Value::integerOf(halfway)}, store, told, error);
                }
            }
            later.reset();
        } else {
            done = readRows(*statement, {}, store, told, error);
        }
        if (!done)
            throw RankholdError(engineMessage(error));
    } else {
        // The store copies what it keeps of a row's texts.
        selectRows(PortalSql::allRows(), {}, false, [&](Row &row) {
            store.add(row);
            told();
        });
    }
    tell(qint64(store.size()));
    store.seal();
    // The pages of the table, read once, are not read again.
    SqliteStatement::releaseCache(m_db);
    return store;
}

void PortalSource::forEachGame(const std::function<void(Game &)> &visit)
{
    Game game;
    selectRows(PortalSql::allRowsByGame(), {}, true, [&](Row &row) {
        named(row);
        if (!game.lines.empty() && game.key != row.game) {
            visit(game);
            game = Game();
        }
        if (game.lines.empty()) {
            game = startGame(row);
        } else {
            game.lines.push_back(std::move(row));
        }
    });
    if (!game.lines.empty())
        visit(game);
}

} // namespace portal
