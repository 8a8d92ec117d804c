#include "portal/RowStore.h"

#include "common/RankholdError.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <map>
#include <numeric>

namespace portal {

using namespace Qt::StringLiterals;

namespace {

// A text of its own: a row's texts may lie in the reader's buffer.
QString owned(const QString &text)
{
    return text.isNull() ? QString() : QString(text.constData(), text.size());
}

} // namespace

std::vector<quint32> RowStore::textOrder(const Texts &texts)
{
    std::vector<quint32> order(texts.texts.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) { return texts.texts[a] < texts.texts[b]; });
    return order;
}

quint32 RowStore::Texts::idOf(const QString &text)
{
    const auto found = ids.constFind(text);
    if (found != ids.cend())
        return *found;
    const quint32 id = quint32(texts.size());
    texts.push_back(owned(text));
    ids.insert(texts.back(), id);
    return id;
}

namespace {

// Groups the rows by their group (< groups), keeping their order within
// each: the rows of group g are at [start[g], start[g + 1]). `forEach`
// calls its argument with each row and the row's group, in order.
template <typename ForEach>
void groupRows(size_t n, size_t groups, ForEach forEach, std::vector<quint32> &rows, std::vector<quint32> &start)
{
    start.assign(groups + 1, 0);
    forEach([&](quint32, quint32 group) { ++start[group + 1]; });
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<quint32> next(start.begin(), start.end() - 1);
    rows.resize(n);
    forEach([&](quint32 row, quint32 group) { rows[next[group]++] = row; });
}

// Writes at `out`; returns the end.
char *putNumber(char *out, quint64 value)
{
    while (value >= 0x80) {
        *out++ = char(value | 0x80);
        value >>= 7;
    }
    *out++ = char(value);
    return out;
}

// The most a packed row takes: three ids, the flags, six figures and a ratio.
constexpr size_t kMostRowBytes = 3 * 5 + 1 + 6 * 10 + sizeof(double);

quint64 takeNumber(const char *&at)
{
    quint64 value = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = quint8(*at++);
        value |= quint64(byte & 0x7f) << shift;
        if (byte < 0x80)
            return value;
    }
}

quint64 zigzag(qint64 value)
{
    return (quint64(value) << 1) ^ quint64(value >> 63);
}

qint64 unzigzag(quint64 value)
{
    return qint64(value >> 1) ^ -qint64(value & 1);
}

// The ratio as the import reckons it from the figures.
double ratioOf(qint64 kills, qint64 deaths)
{
    return double(kills) / double(deaths == 0 ? 1 : deaths);
}

} // namespace

quint32 RowStore::idOfGame(const GameKey &game)
{
    // A game's rows mostly come one after another.
    if (!m_games.empty() && m_games[m_lastGame] == game)
        return m_lastGame;
    const auto found = m_gameIds.constFind(game);
    if (found != m_gameIds.cend()) {
        m_lastGame = *found;
    } else {
        m_lastGame = quint32(m_games.size());
        const std::array<quint32, 3> texts{m_dayTexts.idOf(game.date), m_timeTexts.idOf(game.time),
                                           m_mapTexts.idOf(game.map)};
        m_gameTexts.push_back(texts);
        m_games.push_back({m_dayTexts.texts[texts[0]], m_timeTexts.texts[texts[1]], m_mapTexts.texts[texts[2]]});
        m_gameIds.insert(m_games.back(), m_lastGame);
    }
    return m_lastGame;
}

quint32 RowStore::idOfKind(const QString &type, const QString &winner)
{
    const std::pair<QString, QString> kind{type, winner};
    auto found = m_kindIds.constFind(kind);
    if (found == m_kindIds.cend()) {
        m_kinds.emplace_back(owned(type), owned(winner));
        found = m_kindIds.insert(m_kinds.back(), quint32(m_kinds.size() - 1));
    }
    return *found;
}

void RowStore::add(const Row &row)
{
    pack(m_names.idOf(row.player), idOfGame(row.game), idOfKind(row.type, row.winner), row);
}

void RowStore::addUtf8(const std::array<std::string_view, kTextColumns> &texts,
                       const std::function<QString(TextColumn)> &exact, const Row &figures)
{
    // Each text is looked up by its bytes, and only one not seen before is
    // read as the row's QString would hold it, so the ids are those add()
    // gives. Reading it so may move the column's bytes: they are copied first.
    const auto joined = [&](std::initializer_list<TextColumn> columns) -> const QByteArray & {
        // Each after its length, so that no two lists of texts join alike.
        m_utf8.key.clear();
        for (const TextColumn column : columns) {
            const auto length = quint32(texts[column].size());
            m_utf8.key.append(reinterpret_cast<const char *>(&length), sizeof length);
            m_utf8.key.append(texts[column].data(), qsizetype(texts[column].size()));
        }
        return m_utf8.key;
    };
    const auto idOf = [](QHash<QByteArray, quint32> &ids, const QByteArray &key, const auto &make) {
        const auto found = ids.constFind(key);
        if (found != ids.cend())
            return *found;
        const QByteArray owned(key.constData(), key.size());
        const quint32 id = make();
        ids.insert(owned, id);
        return id;
    };
    const quint32 name =
        idOf(m_utf8.names, QByteArray::fromRawData(texts[Player].data(), qsizetype(texts[Player].size())),
             [&] { return m_names.idOf(exact(Player)); });

    // A game's rows mostly come one after another, and with them their type and winner.
    const auto differs = [&](const auto &last, TextColumn first) {
        for (size_t i = 0; i < last.size(); ++i) {
            if (texts[first + i] != last[i])
                return true;
        }
        return false;
    };
    const auto remember = [&](auto &last, TextColumn first) {
        for (size_t i = 0; i < last.size(); ++i)
            last[i].assign(texts[first + i]);
    };
    if (!m_utf8.known || differs(m_utf8.lastGame, Date)) {
        remember(m_utf8.lastGame, Date);
        m_utf8.lastGameId = idOf(m_utf8.games, joined({Date, Time, Map}), [&] {
            return idOfGame({exact(Date), exact(Time), exact(Map)});
        });
    }
    if (!m_utf8.known || differs(m_utf8.lastKind, Type)) {
        remember(m_utf8.lastKind, Type);
        m_utf8.lastKindId =
            idOf(m_utf8.kinds, joined({Type, Winner}), [&] { return idOfKind(exact(Type), exact(Winner)); });
    }
    m_utf8.known = true;
    pack(name, m_utf8.lastGameId, m_utf8.lastKindId, figures);
}

void RowStore::append(const RowStore &later)
{
    // Each of its ids becomes this store's for the same text, found on the
    // first row that has it: in the order of the rows, as add() would. What
    // follows a row's ids does not depend on them, and is copied as it is.
    constexpr quint32 kUnseen = std::numeric_limits<quint32>::max();
    std::vector<quint32> names(later.m_names.texts.size(), kUnseen), games(later.m_games.size(), kUnseen),
        kinds(later.m_kinds.size(), kUnseen);
    m_bytes.reserve(m_bytes.size() + later.m_bytes.size());
    const char *const begin = later.m_bytes.data();
    for (const char *at = begin; at != begin + later.m_bytes.size();) {
        const char *tail = at;
        const Unpacked u = unpackAt(at);
        for (int id = 0; id < 3; ++id)
            takeNumber(tail);
        quint32 &name = names[u.name], &game = games[u.game], &kind = kinds[u.kind];
        if (name == kUnseen)
            name = m_names.idOf(later.m_names.texts[u.name]);
        if (game == kUnseen)
            game = idOfGame(later.m_games[u.game]);
        if (kind == kUnseen)
            kind = idOfKind(later.m_kinds[u.kind].first, later.m_kinds[u.kind].second);
        char row[kMostRowBytes];
        char *end = putNumber(putNumber(putNumber(row, name), game), kind);
        end = std::copy(tail, at, end);
        addPacked(row, end);
    }
}

void RowStore::addPacked(const char *row, const char *end)
{
    if (m_bytes.size() > std::numeric_limits<quint32>::max() - kMostRowBytes)
        throw RankholdError(u"The database holds more rows than a build of every page can take at once"_s);
    m_bytes.insert(m_bytes.end(), row, end);
    ++m_rows;
}

void RowStore::pack(quint32 name, quint32 game, quint32 kind, const Row &row)
{
    char packed[kMostRowBytes];
    char *end = putNumber(putNumber(putNumber(packed, name), game), kind);
    const std::optional<qint64> figures[kFigures] = {row.kills,    row.deaths, row.score,
                                                     row.zonetime, row.flags,  row.targets};
    const bool ratioKept = std::bit_cast<quint64>(row.ratio) != std::bit_cast<quint64>(ratioOf(row.kills, row.deaths));
    quint8 flags = ratioKept ? kRatioKept : 0;
    for (int f = 0; f < kFigures; ++f) {
        if (figures[f])
            flags |= quint8(1u << f);
    }
    *end++ = char(flags);
    for (const std::optional<qint64> &figure : figures) {
        if (figure)
            end = putNumber(end, zigzag(*figure));
    }
    if (ratioKept) {
        const auto bytes = std::bit_cast<std::array<char, sizeof(double)>>(row.ratio);
        end = std::copy(bytes.begin(), bytes.end(), end);
    }
    addPacked(packed, end);
}

RowStore::Unpacked RowStore::unpack(quint32 index) const
{
    const char *at = m_bytes.data() + index;
    return unpackAt(at);
}

RowStore::Unpacked RowStore::unpackAt(const char *&at)
{
    Unpacked u;
    u.name = quint32(takeNumber(at));
    u.game = quint32(takeNumber(at));
    u.kind = quint32(takeNumber(at));
    u.flags = quint8(*at++);
    for (int f = 0; f < kFigures; ++f) {
        if (u.flags & (1u << f))
            u.figures[f] = unzigzag(takeNumber(at));
    }
    if (u.flags & kRatioKept) {
        std::array<char, sizeof(double)> bytes;
        std::copy_n(at, bytes.size(), bytes.begin());
        u.ratio = std::bit_cast<double>(bytes);
        at += bytes.size();
    } else {
        u.ratio = ratioOf(u.figures[Kills], u.figures[Deaths]);
    }
    return u;
}

std::vector<quint32> RowStore::rows() const
{
    std::vector<quint32> all;
    all.reserve(m_rows);
    forEachRow([&](quint32 row, const Unpacked &) { all.push_back(row); });
    return all;
}

quint32 RowStore::gameIdOf(quint32 index) const
{
    const char *at = m_bytes.data() + index;
    takeNumber(at);
    return quint32(takeNumber(at));
}

void RowStore::seal()
{
    // Copied to fit only when much was reserved in vain.
    if (m_bytes.capacity() > m_bytes.size() + m_bytes.size() / 4)
        m_bytes.shrink_to_fit();
    m_nameOrder = textOrder(m_names);
    {
        // Each row's name and game, read in one pass.
        std::vector<quint32> starts, rowNames, rowGames;
        for (std::vector<quint32> *each : {&starts, &rowNames, &rowGames})
            each->reserve(m_rows);
        forEachRow([&](quint32 row, const Unpacked &u) {
            starts.push_back(row);
            rowNames.push_back(u.name);
            rowGames.push_back(u.game);
        });
        const auto eachRow = [&starts](const std::vector<quint32> &groups) {
            return [&starts, &groups](const auto &f) {
                for (size_t i = 0; i < starts.size(); ++i)
                    f(starts[i], groups[i]);
            };
        };
        groupRows(size(), m_names.texts.size(), eachRow(rowNames), m_byName, m_nameStart);
        groupRows(size(), m_games.size(), eachRow(rowGames), m_byGame, m_gameStart);
    }

    // In the order of their texts: those of each list ranked once, as
    // comparing the games' texts themselves would order them.
    const auto ranks = [](const Texts &texts) {
        const std::vector<quint32> order = textOrder(texts);
        std::vector<quint32> rank(order.size());
        for (quint32 place = 0; place < order.size(); ++place)
            rank[order[place]] = place;
        return rank;
    };
    {
        const std::vector<quint32> days = ranks(m_dayTexts), times = ranks(m_timeTexts), maps = ranks(m_mapTexts);
        const auto key = [&](quint32 game) {
            const std::array<quint32, 3> &texts = m_gameTexts[game];
            return std::tuple(days[texts[0]], times[texts[1]], maps[texts[2]]);
        };
        m_gameOrder.resize(m_games.size());
        std::iota(m_gameOrder.begin(), m_gameOrder.end(), 0u);
        std::sort(m_gameOrder.begin(), m_gameOrder.end(), [&](quint32 a, quint32 b) { return key(a) < key(b); });
    }
    m_gamePlace.resize(m_games.size());
    for (quint32 place = 0; place < m_gameOrder.size(); ++place)
        m_gamePlace[m_gameOrder[place]] = place;
    // The texts kept are copied anew before what only the reading needed
    // goes: made among the reading's lookups, they would keep most of the
    // memory those leave from going back.
    for (QString &name : m_names.texts)
        name = owned(name);
    const auto copiesOf = [](const Texts &texts) {
        QHash<const QChar *, QString> copies;
        copies.reserve(qsizetype(texts.texts.size()));
        for (const QString &text : texts.texts)
            copies.insert(text.constData(), owned(text));
        return copies;
    };
    {
        const QHash<const QChar *, QString> days = copiesOf(m_dayTexts), times = copiesOf(m_timeTexts),
                                            maps = copiesOf(m_mapTexts);
        // A game's texts are those of the lists (shared()), so each is found.
        const auto renewed = [](const QHash<const QChar *, QString> &copies, const QString &text) {
            return copies.value(text.constData(), text);
        };
        for (GameKey &key : m_games)
            key = {renewed(days, key.date), renewed(times, key.time), renewed(maps, key.map)};
    }
    for (auto &[type, winner] : m_kinds) {
        type = owned(type);
        winner = owned(winner);
    }
    // Only what the rows and pages read is kept.
    m_gameIds = {};
    m_kindIds = {};
    m_names.ids = {};
    m_utf8 = {};
    m_dayTexts = {};
    m_timeTexts = {};
    m_mapTexts = {};
    m_gameTexts = {};
}

std::vector<quint32> RowStore::playedOrder() const
{
    std::vector<std::pair<qint64, quint32>> played;
    played.reserve(gameCount());
    for (quint32 g = 0; g < gameCount(); ++g)
        played.emplace_back(GameMoment::of(gameKey(g)).sortKey(), g);
    std::stable_sort(played.begin(), played.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<quint32> games;
    games.reserve(played.size());
    for (const auto &[order, g] : played)
        games.push_back(g);
    return games;
}

Row RowStore::row(quint32 index, const NameAssignments &names) const
{
    const Unpacked u = unpack(index);
    Row row = figuresOf(u);
    row.player = m_names.texts[u.name];
    if (!names.isEmpty()) {
        row.player = names.playerOf(row.player);
        row.hidden = names.isHidden(row.player);
    }
    row.game = m_games[u.game];
    row.type = m_kinds[u.kind].first;
    row.winner = m_kinds[u.kind].second;
    return row;
}

Row RowStore::figures(quint32 index) const
{
    return figuresOf(unpack(index));
}

Row RowStore::figuresOf(const Unpacked &u)
{
    Row row;
    row.kills = u.figures[Kills];
    row.deaths = u.figures[Deaths];
    row.ratio = u.ratio;
    std::optional<qint64> *optional[] = {&row.score, &row.zonetime, &row.flags, &row.targets};
    for (int f = Score; f < kFigures; ++f) {
        if (u.flags & (1u << f))
            *optional[f - Score] = u.figures[f];
    }
    return row;
}

Game RowStore::game(quint32 game, const NameAssignments &names) const
{
    const quint32 id = m_gameOrder[game];
    Game out;
    out.key = m_games[id];
    for (quint32 i = m_gameStart[id]; i < m_gameStart[id + 1]; ++i)
        out.lines.push_back(row(m_byGame[i], names));
    if (!out.lines.empty()) {
        out.type = out.lines.front().type;
        out.winner = out.lines.front().winner;
    }
    return out;
}

std::vector<RowStore::PlayerRows> RowStore::shownPlayers(const NameAssignments &names) const
{
    std::vector<PlayerRows> out;
    const QSet<QString> withAliases = names.playersWithAliases();
    std::map<QString, std::vector<std::span<const quint32>>> merged;
    for (const quint32 name : m_nameOrder) {
        const std::span<const quint32> rows(m_byName.data() + m_nameStart[name],
                                            m_nameStart[name + 1] - m_nameStart[name]);
        const QString player = names.playerOf(m_names.texts[name]);
        if (names.isHidden(player))
            continue;
        if (withAliases.contains(player))
            merged[player].push_back(rows);
        else
            out.push_back({player, {rows}});
    }
    for (auto &[player, runs] : merged)
        out.push_back({player, std::move(runs)});
    return out;
}

} // namespace portal
