#include "portal/RatingLedger.h"

#include "common/RankholdError.h"

#include <QSet>

#include <algorithm>
#include <tuple>

namespace portal {

using namespace Qt::StringLiterals;

struct RatingLedger::Ranked {
    Played game;
    std::vector<quint32> players;
    std::vector<int> ranks;
};

bool RatingLedger::playedBefore(const Played &a, const Played &b)
{
    return std::tie(a.order, a.key) < std::tie(b.order, b.key);
}

quint32 RatingLedger::idOf(const QString &player)
{
    const auto found = m_ids.constFind(player);
    if (found != m_ids.cend())
        return *found;
    // A line holds the number in 31 bits.
    if (m_names.size() >= (size_t(1) << 31))
        throw RankholdError(u"The database holds more names than the rating can take"_s);
    const quint32 id = quint32(m_names.size());
    m_names.push_back(player);
    m_ids.insert(player, id);
    m_last.push_back(-1);
    m_counts.push_back(0);
    return id;
}

RatingLedger::GameInput RatingLedger::inputOf(const Game &game)
{
    return inputOf(namedInputOf(game));
}

RatingLedger::NamedInput RatingLedger::namedInputOf(const Game &game)
{
    NamedInput named{game.key, {}};
    named.lines.reserve(game.lines.size());
    for (const Row &row : game.lines)
        named.lines.emplace_back(row.player, rating::standingOf(row));
    return named;
}

RatingLedger::GameInput RatingLedger::inputOf(const NamedInput &game)
{
    GameInput input{game.key, {}};
    input.lines.reserve(game.lines.size());
    for (const auto &[player, standing] : game.lines)
        input.lines.push_back({idOf(player), standing});
    return input;
}

rating::Skill RatingLedger::skillBefore(const Line &line) const
{
    return line.previous < 0 ? rating::Skill() : m_lines[size_t(line.previous)].after;
}

const RatingLedger::Played &RatingLedger::gameOf(size_t line) const
{
    // The last game that starts at or before the line: games without lines
    // start where the next one does.
    const auto after = std::upper_bound(m_games.begin(), m_games.end(), line,
                                        [](size_t l, const Played &played) { return l < played.first; });
    return *(after - 1);
}

std::vector<int> RatingLedger::ranksOf(const Played &played) const
{
    std::vector<int> ranks;
    ranks.reserve(played.count);
    for (quint32 i = 0; i < played.count; ++i)
        ranks.push_back(m_lines[played.first + i].tied ? ranks.back() : int(i));
    return ranks;
}

// The players best first, equals by name: the same game gives the same
// order, and so the same sums, whatever order its rows came in.
RatingLedger::Ranked RatingLedger::ranked(GameInput input, std::optional<qint64> order) const
{
    std::sort(input.lines.begin(), input.lines.end(), [&](const Entry &a, const Entry &b) {
        if (a.standing != b.standing)
            return a.standing.betterThan(b.standing);
        return m_names[a.player] < m_names[b.player];
    });
    Ranked game{{std::move(input.key), 0, 0, quint32(input.lines.size())}, {}, {}};
    game.game.order = order ? *order : GameMoment::of(game.game.key).sortKey();
    for (size_t i = 0; i < input.lines.size(); ++i) {
        game.players.push_back(input.lines[i].player);
        const bool tie = i > 0 && input.lines[i].standing == input.lines[i - 1].standing;
        game.ranks.push_back(tie ? game.ranks.back() : int(i));
    }
    return game;
}

// Forgets the games from `game` on, the players' skills going back to what
// they were before it.
void RatingLedger::truncate(size_t game)
{
    if (game >= m_games.size())
        return;
    const size_t firstLine = m_games[game].first;
    for (size_t i = m_lines.size(); i-- > firstLine;) {
        m_last[m_lines[i].player] = m_lines[i].previous;
        --m_counts[m_lines[i].player];
    }
    m_lines.resize(firstLine);
    m_games.resize(game);
    m_kept = std::min(m_kept, game);
}

void RatingLedger::append(const Ranked &game)
{
    std::vector<rating::Skill> skills;
    skills.reserve(game.players.size());
    for (quint32 p : game.players)
        skills.push_back(m_last[p] < 0 ? rating::Skill() : m_lines[size_t(m_last[p])].after);
    rating::rateGame(skills, game.ranks);

    Played played = game.game;
    played.first = quint32(m_lines.size());
    m_games.push_back(std::move(played));
    for (size_t i = 0; i < game.players.size(); ++i) {
        const quint32 p = game.players[i];
        const bool tied = i > 0 && game.ranks[i] == game.ranks[i - 1];
        m_lines.push_back({p, tied, m_last[p], skills[i]});
        m_last[p] = qint32(m_lines.size() - 1);
        ++m_counts[p];
    }
}

void RatingLedger::addNext(GameInput input)
{
    // A game after the newest is not rated yet; add() tells the others.
    const Played next{input.key, GameMoment::of(input.key).sortKey(), 0, 0};
    if (!m_games.empty() && !playedBefore(m_games.back(), next)) {
        add({std::move(input)});
        return;
    }
    append(ranked(std::move(input), next.order));
}

void RatingLedger::reserve(size_t games, size_t lines)
{
    m_games.reserve(m_games.size() + games);
    m_lines.reserve(m_lines.size() + lines);
}

std::optional<size_t> RatingLedger::indexOf(const GameKey &key) const
{
    // The games are in the order played, then by their texts.
    const Played probe{key, GameMoment::of(key).sortKey(), 0, 0};
    const auto at = std::lower_bound(m_games.begin(), m_games.end(), probe, playedBefore);
    if (at == m_games.end() || at->key != key)
        return std::nullopt;
    return size_t(at - m_games.begin());
}

RatingLedger::Changed RatingLedger::add(std::vector<GameInput> games)
{
    std::vector<Ranked> fresh;
    for (GameInput &input : games) {
        if (!contains(input.key))
            fresh.push_back(ranked(std::move(input)));
    }
    Changed changed;
    if (fresh.empty())
        return changed;
    const auto before = [](const Ranked &a, const Ranked &b) { return playedBefore(a.game, b.game); };
    std::sort(fresh.begin(), fresh.end(), before);

    // The games rated already that come after the first new one, with what
    // their lines said, to replay and to compare.
    const size_t from =
        size_t(std::upper_bound(m_games.begin(), m_games.end(), fresh.front().game, playedBefore) - m_games.begin());
    std::vector<Ranked> replayed;
    std::vector<RatingChange> said;
    for (size_t g = from; g < m_games.size(); ++g) {
        const Played &played = m_games[g];
        Ranked again{played, {}, ranksOf(played)};
        for (quint32 l = played.first; l < played.first + played.count; ++l) {
            again.players.push_back(m_lines[l].player);
            said.push_back({skillBefore(m_lines[l]), m_lines[l].after});
        }
        replayed.push_back(std::move(again));
    }
    truncate(from);

    std::vector<bool> moved(m_names.size(), false);
    size_t oldAt = 0, newAt = 0, saidAt = 0;
    while (oldAt < replayed.size() || newAt < fresh.size()) {
        const bool takeNew =
            oldAt == replayed.size() || (newAt < fresh.size() && before(fresh[newAt], replayed[oldAt]));
        const Ranked &game = takeNew ? fresh[newAt++] : replayed[oldAt++];
        append(game);
        const Played &played = m_games.back();
        bool differs = takeNew;
        for (quint32 l = played.first; l < played.first + played.count; ++l) {
            const Line &line = m_lines[l];
            const bool lineDiffers = takeNew || said[saidAt++] != RatingChange{skillBefore(line), line.after};
            if (lineDiffers) {
                differs = true;
                moved[line.player] = true;
            }
        }
        if (differs)
            changed.games.push_back(played.key);
    }
    for (size_t p = 0; p < moved.size(); ++p) {
        if (moved[p])
            changed.players.push_back(m_names[p]);
    }
    return changed;
}

void RatingLedger::Changed::add(const Changed &other)
{
    games.insert(games.end(), other.games.begin(), other.games.end());
    players.insert(players.end(), other.players.begin(), other.players.end());
}

std::vector<GameKey> RatingLedger::gamesFrom(const std::vector<GameKey> &games) const
{
    size_t from = m_games.size();
    for (const GameKey &key : games) {
        if (const std::optional<size_t> at = indexOf(key))
            from = std::min(from, *at);
    }
    std::vector<GameKey> out;
    for (size_t g = from; g < m_games.size(); ++g)
        out.push_back(m_games[g].key);
    return out;
}

RatingLedger::Changed RatingLedger::rateAgain(std::vector<GameInput> games)
{
    Changed changed;
    std::vector<Ranked> again;
    size_t from = m_games.size();
    for (GameInput &input : games) {
        const std::optional<size_t> at = indexOf(input.key);
        if (!at)
            continue;
        from = std::min(from, *at);
        again.push_back(ranked(std::move(input)));
    }
    std::sort(again.begin(), again.end(),
              [](const Ranked &a, const Ranked &b) { return playedBefore(a.game, b.game); });
    // What each game said of each of its players, to compare.
    QHash<GameKey, QHash<QString, RatingChange>> said;
    for (size_t g = from; g < m_games.size(); ++g)
        said.insert(m_games[g].key, gameRatings(m_games[g].key));
    truncate(from);

    QSet<QString> moved;
    for (const Ranked &game : again) {
        append(game);
        const Played &played = m_games.back();
        QHash<QString, RatingChange> before = said.take(played.key);
        bool differs = false;
        for (quint32 l = played.first; l < played.first + played.count; ++l) {
            const Line &line = m_lines[l];
            const QString &name = m_names[line.player];
            const auto old = before.constFind(name);
            if (old == before.cend() || *old != RatingChange{skillBefore(line), line.after}) {
                differs = true;
                moved.insert(name);
            }
            before.remove(name);
        }
        // Players the game no longer has (their name counts as another now).
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            differs = true;
            moved.insert(it.key());
        }
        if (differs)
            changed.games.push_back(played.key);
    }
    changed.players.assign(moved.cbegin(), moved.cend());
    std::sort(changed.players.begin(), changed.players.end());
    return changed;
}

PlayerRating RatingLedger::playerRating(const QString &player, int minGames) const
{
    PlayerRating out;
    const auto found = m_ids.constFind(player);
    if (found != m_ids.cend()) {
        out.history.reserve(size_t(m_counts[*found]));
        for (qint32 l = m_last[*found]; l >= 0; l = m_lines[size_t(l)].previous) {
            const Line &line = m_lines[size_t(l)];
            out.history.push_back({gameOf(size_t(l)).key, {skillBefore(line), line.after}});
        }
        std::reverse(out.history.begin(), out.history.end());
        out.games = m_counts[*found];
        if (!out.history.empty())
            out.skill = out.history.back().change.after;
    }
    out.provisional = out.games < minGames;
    return out;
}

QHash<QString, RatingChange> RatingLedger::gameRatings(const GameKey &game) const
{
    QHash<QString, RatingChange> out;
    const std::optional<size_t> found = indexOf(game);
    if (!found)
        return out;
    const Played &played = m_games[*found];
    for (quint32 l = played.first; l < played.first + played.count; ++l)
        out.insert(m_names[m_lines[l].player], {skillBefore(m_lines[l]), m_lines[l].after});
    return out;
}

std::vector<RatedPlayer> RatingLedger::players() const
{
    std::vector<RatedPlayer> out;
    out.reserve(m_names.size());
    for (size_t p = 0; p < m_names.size(); ++p) {
        if (m_last[p] < 0)
            continue;
        const Line &line = m_lines[size_t(m_last[p])];
        RatedPlayer player{m_names[p], line.after, m_counts[p], std::nullopt};
        // Games of unreadable moments come first: the newest game tells.
        const GameKey &newest = gameOf(size_t(m_last[p])).key;
        if (GameMoment::of(newest).isValid())
            player.last = newest;
        out.push_back(std::move(player));
    }
    return out;
}

QHash<QString, rating::Skill> RatingLedger::skills() const
{
    QHash<QString, rating::Skill> out;
    out.reserve(qsizetype(m_names.size()));
    for (size_t p = 0; p < m_names.size(); ++p) {
        if (m_last[p] >= 0)
            out.insert(m_names[p], m_lines[size_t(m_last[p])].after);
    }
    return out;
}

QDate RatingLedger::newestDayUpTo(const QDate &day) const
{
    for (size_t g = m_games.size(); g-- > 0;) {
        const GameMoment moment = GameMoment::of(m_games[g].key);
        if (!moment.isValid())
            break;
        if (!day.isValid() || moment.date <= day)
            return moment.date;
    }
    return {};
}

} // namespace portal
