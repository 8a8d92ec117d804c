#include "portal/PortalBuilder.h"

#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "portal/AwardsBuild.h"
#include "portal/Handover.h"
#include "portal/NameChanges.h"
#include "portal/PagePool.h"
#include "portal/PortalFingerprint.h"
#include "portal/PortalNames.h"
#include "portal/PortalPages.h"
#include "portal/PortalSource.h"
#include "portal/PortalState.h"
#include "portal/RatingLedger.h"
#include "portal/RecentBoards.h"
#include "portal/RowStore.h"
#include "portal/SharedPages.h"
#include "portal/SiteFolder.h"
#include "scores/DatabaseLocation.h"
#include "scores/PlayerDatabase.h"

#include <QCryptographicHash>
#include <QScopeGuard>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

using namespace Qt::StringLiterals;

namespace portal {

namespace {

// Adds `removed` to the list of pages the server may still hold, which only
// the upload empties again.
void noteRemoved(const QString &file, const QStringList &removed)
{
    if (file.isEmpty() || removed.isEmpty())
        return;
    QByteArray list;
    try {
        if (platform::fileExists(file))
            list = readFileBytes(file, qint64(64) << 20);
    } catch (const RankholdError &) {
        // A list that cannot be read leaves its pages on the server, which is harmless.
    }
    for (const QString &path : removed)
        list += path.toUtf8() + '\n';
    writeFileAtomically(file, list);
}

// The player's figures on each map they played.
std::map<QString, MapPlayer> figuresPerMap(const QString &player, const std::vector<Row> &rows)
{
    std::map<QString, MapPlayer> maps;
    for (const Row &row : rows) {
        MapPlayer &p = maps[row.game.map];
        p.name = player;
        ++p.games;
        p.kills += row.kills;
        p.deaths += row.deaths;
    }
    return maps;
}

// The best players of a map among `list`, in their order.
void keepBest(std::vector<MapPlayer> &list)
{
    const auto byKills = [](const MapPlayer &a, const MapPlayer &b) {
        return killsOrder(a.name, a.kills, b.name, b.kills);
    };
    const size_t n = std::min(list.size(), MapSummary::kBestPlayers);
    std::partial_sort(list.begin(), list.begin() + qsizetype(n), list.end(), byKills);
    list.resize(n);
}

class Build
{
public:
    Build(QSqlDatabase db, const BuildPlace &place, const QDateTime &made, const Progress &progress,
          const BuildOptions &options)
        : m_source(std::move(db)), m_place(place), m_made(made), m_progress(progress), m_options(options),
          m_site(place.siteFolder), m_days(m_source), m_lastDay(made.date())
    {
    }

    // False when the database holds what the record cannot explain.
    bool update(PortalState &state);
    void makeAll();
    BuildResult result(bool full) const { return {full, m_site.written(), m_removed}; }

private:
    void makeFromRows(const RowStore &store, const std::function<void(qint64 rows)> &advance);
    QString ratingFile() const { return m_place.stateFile + u".rating"_s; }
    void writePlayer(const QString &player, std::vector<Row> rows);
    void removePlayer(const QString &player);
    void writeGame(const Game &game);
    void writeGamePage(const Game &game);
    void learnGame(const Game &game);
    void rewriteRenamed(const NameChanges &renamed, const std::set<GameKey> &newGames);
    RatingLedger::Changed rateRenamed(const NameChanges &renamed);
    // The last pages of a build, once every other page is made: it saves
    // the rating ledger and lets it go first.
    void letGoOfLedger();
    void writeShared(const std::vector<PlayerTotals> &stored, const RecentBoards &recent, bool largestInTurn);
    void saveState(const std::vector<PlayerTotals> &stored);
    // A game dated after the day the pages are made for: a wrong clock.
    bool datedAhead(const QDate &day) const { return day.isValid() && m_lastDay.isValid() && day > m_lastDay; }
    // The end of the recent periods once a game of `day` counts; a game
    // dated ahead does not move it.
    QDate newestWith(const QDate &newest, const QDate &day) const
    {
        return day.isValid() && !datedAhead(day) && (!newest.isValid() || day > newest) ? day : newest;
    }

    PortalSource m_source;
    BuildPlace m_place;
    QDateTime m_made;
    Progress m_progress;
    BuildOptions m_options;
    SiteFolder m_site;
    RatingLedger m_ledger;
    QByteArray m_ratingSum;
    std::map<QString, MapSummary> m_maps;
    QDate m_newestDay;
    int m_removed = 0;
    DayRows m_days;
    QDate m_lastDay;
    QDate m_firstFuture;
    std::vector<awards::PeriodAwards> m_awards;
    QHash<QString, std::vector<awards::Medal>> m_medals;
    // Once the ledger is saved and let go (letGoOfLedger()).
    std::optional<SharedRatings> m_rated;
};

void Build::writePlayer(const QString &player, std::vector<Row> rows)
{
    m_site.write(names::playerPage(player),
                 pages::playerPage(player, std::move(rows), m_ledger.playerRating(player, m_options.minGames),
                                   m_options.minGames, m_medals.value(player), m_lastDay));
}

void Build::writeGamePage(const Game &game)
{
    m_site.write(names::gamePage(game.key),
                 pages::gamePage(game, m_ledger.gameRatings(game.key), datedAhead(GameMoment::of(game.key).date)));
}

// The page of a player merged into another or hidden.
void Build::removePlayer(const QString &player)
{
    const QString page = names::playerPage(player);
    if (!m_site.remove(page))
        return;
    ++m_removed;
    noteRemoved(m_place.removedFile, {page});
}

// The game's page, and what its map page and the recent boards learn from it.
void Build::writeGame(const Game &game)
{
    writeGamePage(game);
    learnGame(game);
}

void Build::learnGame(const Game &game)
{
    const QDate day = GameMoment::of(game.key).date;
    MapSummary &map = m_maps[game.key.map];
    map.name = game.key.map;
    map.addGame(game);
    if (datedAhead(day) && (!m_firstFuture.isValid() || day < m_firstFuture))
        m_firstFuture = day;
    m_newestDay = newestWith(m_newestDay, day);
}

// The ratings, the awards, the player and game pages and the maps' best
// players, from every row.
void Build::makeFromRows(const RowStore &store, const std::function<void(qint64)> &advance)
{
    const NameAssignments &names = m_source.names();
    const std::vector<RowStore::PlayerRows> players = store.shownPlayers(names);
    // The pool comes after the rows its jobs read. Its threads sum the
    // awards first, then make the pages.
    PagePool pool(m_options.writers);
    // The awards only sum figures: they copy none of the rows' texts.
    m_awards = awards::fromRows(store, players, m_lastDay, pool);
    // What the threads summed with is free again, in pools the rating's
    // thread does not take from.
    platform::returnFreedMemory();

    // Rated a game at a time in the order played, so that no game waits in memory.
    m_ledger = RatingLedger();
    m_ledger.reserve(store.gameCount(), store.size());
    std::vector<quint32> played = store.playedOrder();
    // A game made from the rows and learnt, its players as the rating takes them.
    const auto toRate = [this, &store, &names](quint32 g) {
        const Game game = store.game(g, names);
        learnGame(game);
        return RatingLedger::namedInputOf(game);
    };
    if (pool.threads() > 1) {
        // One of the pool's threads makes the games from the rows, a few
        // dozen at a time, while this one rates them. What the job reads
        // outlives the pool, or is its own: a failed rating leaves it
        // running until the pool goes.
        using Block = std::vector<RatingLedger::NamedInput>;
        constexpr size_t kGamesPerBlock = 64;
        const auto games = std::make_shared<Handover<Block>>(4);
        pool.run([games, played = std::move(played), toRate] {
            try {
                Block block;
                for (size_t i = 0; i < played.size(); ++i) {
                    block.push_back(toRate(played[i]));
                    if (block.size() == kGamesPerBlock || i + 1 == played.size()) {
                        if (!games->give(std::move(block)))
                            return; // the rating stopped
                        block.clear();
                    }
                }
                games->close();
            } catch (...) {
                games->close(std::current_exception());
            }
        });
        const auto stopGames = qScopeGuard([&] { games->abandon(); });
        while (std::optional<Block> block = games->take()) {
            for (const RatingLedger::NamedInput &game : *block)
                m_ledger.addNext(m_ledger.inputOf(game));
        }
    } else {
        for (const quint32 g : played)
            m_ledger.addNext(m_ledger.inputOf(toRate(g)));
    }
    m_medals = awards::medalsByPlayer(m_awards);
    // The awards' tallies and the games rated are gone; the pages come in
    // pools of the threads' own.
    platform::returnFreedMemory();

    // Best players of each map: every player's figures there, cut down to
    // the best as the candidates pile up.
    std::map<QString, std::vector<MapPlayer>> candidates;
    for (const RowStore::PlayerRows &player : players) {
        std::vector<Row> rows;
        for (const std::span<const quint32> &run : player.runs) {
            for (const quint32 index : run)
                rows.push_back(store.row(index, names));
        }
        for (auto &[map, figures] : figuresPerMap(player.player, rows)) {
            std::vector<MapPlayer> &list = candidates[map];
            list.push_back(figures);
            if (list.size() >= 4 * MapSummary::kBestPlayers)
                keepBest(list);
        }
        advance(qint64(rows.size()));
        pool.run(
            [this, name = player.player, rows = std::move(rows)]() mutable { writePlayer(name, std::move(rows)); });
    }
    // A game's page is small: handed over a few dozen at a time, the
    // threads spend their time on pages rather than on waking each other.
    constexpr quint32 kGamesPerJob = 32;
    for (quint32 first = 0; first < store.gameCount(); first += kGamesPerJob) {
        const quint32 end = std::min(store.gameCount(), first + kGamesPerJob);
        pool.run([this, &store, &names, first, end] {
            for (quint32 g = first; g < end; ++g)
                writeGamePage(store.game(g, names));
        });
        for (quint32 g = first; g < end; ++g)
            advance(qint64(store.gameRows(g)));
    }
    pool.finish();
    platform::returnFreedMemory(); // what the threads held for their pages
    for (auto &[name, list] : candidates) {
        keepBest(list);
        m_maps[name].best = std::move(list);
    }
}

void Build::makeAll()
{
    m_maps.clear();
    m_newestDay = QDate();
    m_firstFuture = QDate();

    // Every row is read once; the pages are made from what is held. The
    // totals are read again at the end rather than held through the pages:
    // the build's snapshot gives the same.
    qint64 storedRows = 0, allRows = 0, rowsDone = 0;
    {
        const std::vector<PlayerTotals> stored = m_source.storedTotals();
        for (const PlayerTotals &p : stored)
            storedRows += p.totals.games;
        allRows = 2 * storedRows;
        for (const PlayerTotals &p : m_source.shownTotals(stored))
            allRows += p.totals.games;
    }
    const auto advance = [&](qint64 done) {
        rowsDone += done;
        if (m_progress && allRows > 0)
            m_progress(int(std::min<qint64>(100, rowsDone * 100 / allRows)));
    };
    advance(0); // the long read begins
    {
        const RowStore store = m_source.allRows(storedRows, advance, PagePool::threadsFor(m_options.writers) > 1);
        // The read's lookups are gone; the rating's lines come in blocks of their own.
        platform::returnFreedMemory();
        makeFromRows(store, advance);
    } // the rows are let go before the shared pages, the largest, are made
    for (const auto &[name, map] : m_maps)
        m_site.write(names::mapPage(name), pages::mapPage(map));

    const std::vector<PlayerTotals> stored = m_source.storedTotals();
    // Saved and let go before the boards of the last 30 days are read
    // again: neither the rows nor the ledger are held beside them.
    letGoOfLedger();
    const RecentBoards recent = [&] {
        DayRows days(m_source);
        return RecentBoards::ofDays(days, m_newestDay);
    }();
    writeShared(stored, recent, true);
    const QStringList removed = m_site.removeOthers();
    m_removed = int(removed.size());
    noteRemoved(m_place.removedFile, removed);
    saveState(stored);
}

bool Build::update(PortalState &state)
{
    if (state.format != formatFingerprint() || state.minGames != m_options.minGames ||
        !m_site.exists(names::kIndexPage))
        return false;
    m_ratingSum = state.rating;
    // A game that the passing of a day (or a clock set back) moves across
    // the day the pages are made for changes what every period counts.
    if ((state.firstFuture.isValid() && !datedAhead(state.firstFuture)) ||
        (state.newestDay.isValid() && datedAhead(state.newestDay)))
        return false;
    const std::vector<PlayerTotals> stored = m_source.storedTotals();

    // Names with new rows, and how many rows they gained. A name gone, or
    // one whose totals changed without new games, had rows deleted or
    // changed in place.
    std::vector<QString> changed;
    qint64 newRows = 0;
    qsizetype known = 0;
    for (const PlayerTotals &p : stored) {
        const auto old = state.players.constFind(p.name);
        if (old == state.players.cend()) {
            changed.push_back(p.name);
            newRows += p.totals.games;
            continue;
        }
        ++known;
        if (*old == p.totals)
            continue;
        if (p.totals.games <= old->games)
            return false;
        changed.push_back(p.name);
        newRows += p.totals.games - old->games;
    }
    if (known != state.players.size())
        return false;

    for (MapSummary &m : state.maps)
        m_maps[m.name] = std::move(m);
    m_newestDay = state.newestDay;
    m_firstFuture = state.firstFuture;
    m_awards = std::move(state.awards);
    // Names merged, taken apart, hidden or shown since the last build.
    const NameChanges renamed = nameChanges(state.names, m_source.names());
    if (changed.empty() && renamed.isEmpty()) {
        saveState(stored);
        return true;
    }
    // Read only now: a build with nothing new needs none of it.
    std::optional<RatingLedger> ledger = loadRatingLedger(ratingFile(), state.rating);
    qint64 gamesKnown = 0;
    for (const auto &[name, map] : m_maps)
        gamesKnown += map.games;
    if (!ledger || ledger->gameCount() != gamesKnown)
        return false;
    m_ledger = std::move(*ledger);

    // The players of the names with new rows, and those the names' changes
    // concern. The new rows are those of games without a page yet.
    std::set<QString> players(renamed.players.cbegin(), renamed.players.cend());
    for (const QString &name : changed)
        players.insert(m_source.names().playerOf(name));
    std::set<GameKey> newGames;
    std::vector<std::map<QString, MapPlayer>> figures;
    // Their pages wait for the awards the new games change.
    std::vector<std::pair<QString, std::vector<Row>>> changedRows;
    // The days of the renamed players' games, whose awards may change hands.
    std::set<QDate> renamedDays;
    for (const QString &player : players) {
        std::vector<Row> rows = m_source.rowsOfPlayer(player);
        for (const Row &row : rows) {
            if (!m_site.exists(names::gamePage(row.game)))
                newGames.insert(row.game);
        }
        if (renamed.players.contains(player)) {
            for (const Row &row : rows)
                renamedDays.insert(GameMoment::of(row.game).date);
        }
        if (rows.empty() || !m_source.isShown(player)) {
            removePlayer(player);
            continue;
        }
        // The maps of a renamed player are counted again below.
        if (!renamed.players.contains(player))
            figures.push_back(figuresPerMap(player, rows));
        changedRows.emplace_back(player, std::move(rows));
    }
    std::vector<Game> games;
    qint64 rowsOfNewGames = 0;
    for (const GameKey &key : newGames) {
        games.push_back(m_source.game(key));
        rowsOfNewGames += qint64(games.back().lines.size());
    }
    // Rows added to a game that has a page, or a page removed by hand.
    if (rowsOfNewGames != newRows)
        return false;

    // The new games' players, those whose ratings an older game moved, and
    // those whose medals the new games' periods changed.
    std::vector<RatingLedger::GameInput> inputs;
    for (const Game &game : games)
        inputs.push_back(m_ledger.inputOf(game));
    RatingLedger::Changed rated = m_ledger.add(std::move(inputs));
    rated.add(rateRenamed(renamed));
    std::set<QDate> days = std::move(renamedDays);
    for (const Game &game : games)
        days.insert(GameMoment::of(game.key).date);
    std::set<awards::Period> periods;
    for (const QDate &day : days) {
        if (day.isValid() && !datedAhead(day)) {
            for (const awards::Period &period : awards::periodsOf(day))
                periods.insert(period);
        }
    }
    // The boards read the last 30 days again below: kept through the awards.
    QDate newest = m_newestDay;
    for (const Game &game : games)
        newest = newestWith(newest, GameMoment::of(game.key).date);
    if (newest.isValid())
        m_days.keepFrom(newest.addDays(1 - kMonth));
    const QSet<QString> placed = awards::refresh(m_awards, periods, m_days);
    m_medals = awards::medalsByPlayer(m_awards);
    QSet<QString> written;
    for (auto &[player, rows] : changedRows) {
        written.insert(player);
        writePlayer(player, std::move(rows));
    }
    const auto writeAgain = [&](const QString &player) {
        if (!written.contains(player) && m_source.isShown(player)) {
            written.insert(player);
            writePlayer(player, m_source.rowsOfPlayer(player));
        }
    };
    for (const QString &player : rated.players)
        writeAgain(player);
    for (const QString &player : placed)
        writeAgain(player);
    for (const GameKey &key : rated.games) {
        if (!newGames.contains(key))
            writeGamePage(m_source.game(key));
    }

    std::map<QString, MapSummary> before = m_maps;
    for (const Game &game : games)
        writeGame(game);
    for (const auto &perMap : figures) {
        for (const auto &[name, player] : perMap) {
            const auto map = m_maps.find(name);
            if (map == m_maps.end() || !map->second.updatePlayer(player))
                return false;
        }
    }
    rewriteRenamed(renamed, newGames);
    for (const auto &[name, map] : m_maps) {
        const auto old = before.find(name);
        if (old == before.end() || !(old->second == map))
            m_site.write(names::mapPage(name), pages::mapPage(map));
    }

    writeShared(stored, RecentBoards::ofDays(m_days, m_newestDay), false);
    saveState(stored);
    return true;
}

// The ratings from the first game of a renamed name on, rated again with
// the players the names count as now.
RatingLedger::Changed Build::rateRenamed(const NameChanges &renamed)
{
    if (renamed.isEmpty())
        return {};
    std::vector<GameKey> touched;
    for (const QString &name : renamed.names) {
        const std::vector<GameKey> games = m_source.gamesOfName(name);
        touched.insert(touched.end(), games.begin(), games.end());
    }
    const std::vector<GameKey> from = m_ledger.gamesFrom(touched);
    if (from.empty())
        return {};
    const QSet<GameKey> wanted(from.begin(), from.end());
    std::vector<RatingLedger::GameInput> inputs;
    m_source.forEachGame([&](Game &game) {
        if (wanted.contains(game.key))
            inputs.push_back(m_ledger.inputOf(game));
    });
    return m_ledger.rateAgain(std::move(inputs));
}

// The games of the renamed names show other players now (or mark them
// hidden); the best players of their maps, and of the maps of the new games
// (where a renamed player may have played), are counted again from the rows.
void Build::rewriteRenamed(const NameChanges &renamed, const std::set<GameKey> &newGames)
{
    if (renamed.isEmpty())
        return;
    std::set<GameKey> games;
    for (const QString &name : renamed.names) {
        for (const GameKey &key : m_source.gamesOfName(name))
            games.insert(key);
    }
    QSet<QString> maps;
    for (const GameKey &key : newGames)
        maps.insert(key.map);
    for (const GameKey &key : games) {
        maps.insert(key.map);
        if (!newGames.count(key))
            writeGamePage(m_source.game(key));
    }
    for (auto &[name, list] : m_source.playersOnMaps(maps.values())) {
        keepBest(list);
        m_maps[name].best = std::move(list);
    }
}

// Saved now and let go: the pages after the players' and the games', the
// largest of a build, need only what it says of each player, and its lines
// are a third of the memory a first build holds.
void Build::letGoOfLedger()
{
    SharedRatings rated;
    // Hidden players are rated (the others played against them) but not listed.
    rated.players = m_ledger.players();
    std::erase_if(rated.players, [&](const RatedPlayer &p) { return !m_source.isShown(p.name); });
    rated.view = {m_ledger.skills(), m_options.minGames};
    rated.upTo = m_ledger.newestDayUpTo(m_made.date());
    m_ratingSum = saveRatingLedger(ratingFile(), m_ledger);
    m_ledger = RatingLedger();
    m_rated = std::move(rated);
}

// The pages that follow every change: the assets, the boards and the index.
void Build::writeShared(const std::vector<PlayerTotals> &stored, const RecentBoards &recent, bool largestInTurn)
{
    if (!m_rated)
        letGoOfLedger();
    // The shown players' totals, made only now rather than held beside the ledger.
    const std::vector<PlayerTotals> totals = m_source.shownTotals(stored);
    std::vector<MapSummary> maps;
    for (const auto &[name, map] : m_maps)
        maps.push_back(map);
    writeSharedPages(m_site, {*m_rated, totals, maps, recent, m_awards, m_newestDay, m_made, m_options.minGames},
                     m_options.writers, largestInTurn);
}

void Build::saveState(const std::vector<PlayerTotals> &stored)
{
    PortalState state;
    state.format = formatFingerprint();
    state.players.reserve(qsizetype(stored.size()));
    for (const PlayerTotals &p : stored)
        state.players.insert(p.name, p.totals);
    state.names = m_source.names();
    for (const auto &[name, map] : m_maps)
        state.maps.push_back(map);
    state.newestDay = m_newestDay;
    state.rating = m_ratingSum;
    state.minGames = m_options.minGames;
    state.lastDay = m_lastDay;
    state.firstFuture = m_firstFuture;
    state.awards = m_awards;
    savePortalState(m_place.stateFile, state);
}

} // namespace

BuildResult buildPortal(QSqlDatabase db, const BuildPlace &place, const QDateTime &made, const Progress &progress,
                        const BuildOptions &options)
{
    // One snapshot of the database for the whole build; it only reads.
    const bool snapshot = db.transaction();
    const auto endSnapshot = qScopeGuard([&] {
        if (snapshot)
            db.rollback();
    });
    // A server's transaction sees what others committed before each of its
    // statements unless asked otherwise: another server's import landing
    // between the read of the totals and that of the rows left the record
    // behind the pages, and the next build made every page again.
    if (snapshot && engineOf(db) == SqlEngine::PostgreSQL) {
        QSqlQuery q(db);
        if (!q.exec(u"SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"_s))
            throw RankholdError(engineMessage(q.lastError()));
    }

    std::optional<PortalState> state = loadPortalState(place.stateFile);
    // Written again at the end of a build that got there: a build that
    // stops half-way leaves no record, and the next one makes every page.
    platform::removeFile(place.stateFile);
    Build build(db, place, made, progress, options);
    if (state && build.update(*state))
        return build.result(false);
    build.makeAll();
    return build.result(true);
}

} // namespace portal
