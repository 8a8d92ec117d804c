#include "portal/RowStore.h"

#include <QSet>

#include <algorithm>
#include <map>
#include <numeric>

namespace portal {

quint32 RowStore::Texts::idOf(const QString &text)
{
    const auto found = ids.constFind(text);
    if (found != ids.cend())
        return *found;
    const quint32 id = quint32(texts.size());
    texts.push_back(text);
    ids.insert(text, id);
    return id;
}

namespace {

// Groups the numbers 0..n-1 by their group (< groups), keeping their order
// within each: the rows of a group are at [start[g], start[g + 1]).
template <typename GroupOf>
void groupRows(size_t n, size_t groups, GroupOf groupOf, std::vector<quint32> &rows, std::vector<quint32> &start)
{
    start.assign(groups + 1, 0);
    for (size_t i = 0; i < n; ++i)
        ++start[groupOf(i) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<quint32> next(start.begin(), start.end() - 1);
    rows.resize(n);
    for (size_t i = 0; i < n; ++i)
        rows[next[groupOf(i)]++] = quint32(i);
}

} // namespace

void RowStore::add(const Row &row)
{
    Stored s{};
    s.ratio = row.ratio;
    s.name = m_names.idOf(row.player);
    // A game's rows mostly come one after another.
    if (!m_rows.empty() && m_games[m_rows.back().game] == row.game) {
        s.game = m_rows.back().game;
    } else {
        const auto found = m_gameIds.constFind(row.game);
        if (found != m_gameIds.cend()) {
            s.game = *found;
        } else {
            s.game = quint32(m_games.size());
            const auto shared = [](Texts &texts, const QString &text) { return texts.texts[texts.idOf(text)]; };
            m_games.push_back({shared(m_dayTexts, row.game.date), shared(m_timeTexts, row.game.time),
                               shared(m_mapTexts, row.game.map)});
            m_gameIds.insert(m_games.back(), s.game);
        }
    }
    const std::pair<QString, QString> kind{row.type, row.winner};
    const auto found = m_kindIds.constFind(kind);
    if (found != m_kindIds.cend()) {
        s.kind = *found;
    } else {
        s.kind = quint32(m_kinds.size());
        m_kinds.push_back(kind);
        m_kindIds.insert(kind, s.kind);
    }
    const std::optional<qint64> figures[kFigures] = {row.kills,    row.deaths, row.score,
                                                     row.zonetime, row.flags,  row.targets};
    const quint64 index = m_rows.size();
    for (int f = 0; f < kFigures; ++f) {
        if (!figures[f])
            continue;
        s.present |= quint8(1u << f);
        const qint64 value = *figures[f];
        if (value > INT32_MIN && value <= INT32_MAX) {
            s.figures[f] = qint32(value);
        } else {
            s.figures[f] = kElsewhere;
            m_wide.insert(index * kFigures + quint64(f), value);
        }
    }
    m_rows.push_back(s);
}

void RowStore::seal()
{
    m_rows.shrink_to_fit();
    m_nameOrder.resize(m_names.texts.size());
    std::iota(m_nameOrder.begin(), m_nameOrder.end(), 0u);
    std::sort(m_nameOrder.begin(), m_nameOrder.end(),
              [&](quint32 a, quint32 b) { return m_names.texts[a] < m_names.texts[b]; });
    groupRows(
        m_rows.size(), m_names.texts.size(), [&](size_t i) { return m_rows[i].name; }, m_byName, m_nameStart);

    m_gameOrder.resize(m_games.size());
    std::iota(m_gameOrder.begin(), m_gameOrder.end(), 0u);
    std::sort(m_gameOrder.begin(), m_gameOrder.end(), [&](quint32 a, quint32 b) { return m_games[a] < m_games[b]; });
    m_gamePlace.resize(m_games.size());
    for (quint32 place = 0; place < m_gameOrder.size(); ++place)
        m_gamePlace[m_gameOrder[place]] = place;
    groupRows(
        m_rows.size(), m_games.size(), [&](size_t i) { return m_rows[i].game; }, m_byGame, m_gameStart);
    // Only what the rows and pages read is kept.
    m_gameIds = {};
    m_kindIds = {};
    m_names.ids = {};
    m_dayTexts = {};
    m_timeTexts = {};
    m_mapTexts = {};
}

qint64 RowStore::figure(quint32 index, Figure f) const
{
    const qint32 value = m_rows[index].figures[f];
    return value == kElsewhere ? m_wide.value(quint64(index) * kFigures + f) : value;
}

Row RowStore::row(quint32 index, const NameAssignments &names) const
{
    const Stored &s = m_rows[index];
    Row row;
    row.player = m_names.texts[s.name];
    if (!names.isEmpty()) {
        row.player = names.playerOf(row.player);
        row.hidden = names.isHidden(row.player);
    }
    row.game = m_games[s.game];
    row.type = m_kinds[s.kind].first;
    row.winner = m_kinds[s.kind].second;
    row.kills = figure(index, Kills);
    row.deaths = figure(index, Deaths);
    row.ratio = s.ratio;
    std::optional<qint64> *optional[] = {&row.score, &row.zonetime, &row.flags, &row.targets};
    for (int f = Score; f < kFigures; ++f) {
        if (s.present & (1u << f))
            *optional[f - Score] = figure(index, Figure(f));
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
    QSet<QString> withAliases; // players with names merged into them
    for (const QString &player : std::as_const(names.countsAs))
        withAliases.insert(player);
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
