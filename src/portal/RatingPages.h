#pragma once

#include "portal/PortalModel.h"
#include "portal/PortalTable.h"
#include "portal/RatingLedger.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

#include <vector>

// The portal's pages of the skill rating and the fair boards, and the
// pieces of the rating on the other pages. Like every page, made from
// their values alone.
namespace portal::pages {

// What the rankings show beside the totals: each player's skill, and from
// how many games on a player counts on the fair boards (ratios, rates per
// game, the rating board).
struct RatingView {
    QHash<QString, rating::Skill> skills;
    int minGames = 10;
};

// The rating board: players ranked by rating, the provisional ones (fewer
// than `minGames` games) after the others; those whose newest game is
// before the 30 days up to `newestDay` behind a click. `newestDay` invalid:
// every player counts as seen.
QByteArray ratingPage(const std::vector<RatedPlayer> &players, const QDate &newestDay, int minGames);

// Kills, deaths, flags, zone time and targets per game, the ratios and the
// rating of the players with at least `view.minGames` games.
QByteArray perGamePage(const std::vector<PlayerTotals> &players, const RatingView &view);

// The player page's part: the rating and what it is made of.
QString playerRatingSection(const PlayerRating &rating, int minGames);
// The player's rating around each of their games, for their tables of games.
QHash<GameKey, RatingChange> ratingsByGame(const PlayerRating &rating);

// The columns of the rating around a game: before (on a scoreboard, where
// `withBefore`), after and the change, as shown; dashes for a game not rated.
void appendRatingColumns(std::vector<html::Column> &columns, bool withBefore);
void appendRatingCells(html::TableRow &row, const std::optional<RatingChange> &change, bool withBefore);

// data/players.json: one object per player, for other tools.
QByteArray playersJson(const std::vector<PlayerTotals> &players, const std::vector<RatedPlayer> &rated, int minGames);

// The rating as a table cell shows it (one decimal), a dash for no rating.
QString ratingText(const std::optional<rating::Skill> &skill);

} // namespace portal::pages
