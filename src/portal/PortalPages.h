#pragma once

#include "portal/Awards.h"
#include "portal/PortalModel.h"
#include "portal/RatingPages.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

#include <vector>

// The pages of the portal, each made from its values alone, so that a page
// is the same bytes whenever its values are the same.
namespace portal::pages {

// A player's page: totals, rating, totals per game type, best games and the
// last 20 games, with their medals and charts of their play. `rows` are all
// of the player's rows, in any order; the charts leave out rows dated after
// `lastDay` when it is valid.
QByteArray playerPage(const QString &player, std::vector<Row> rows, const PlayerRating &rating, int minGames,
                      const std::vector<awards::Medal> &medals = {}, const QDate &lastDay = {});

// A game's page: map, type, date and time, winner and the scoreboard with
// each player's rating around the game (`ratings` by player). `datedAhead`
// says the game is dated after the day the pages are made for.
QByteArray gamePage(const Game &game, const QHash<QString, RatingChange> &ratings, bool datedAhead = false);

// A map's page: its figures, best players and latest games.
QByteArray mapPage(const MapSummary &map);

// The overall ranking with the maps. `made` is shown as the time the page
// was made; SiteFolder compares pages without it.
// `charts` is markup shown above the ranking.
QByteArray indexPage(const std::vector<PlayerTotals> &players, const std::vector<MapSummary> &maps,
                     const QDateTime &made, const RatingView &view, const QString &charts = {});

// The ranking over the games of a period: the `days` days up to and
// including `last` (the day of the newest game; invalid when there is none).
QByteArray boardPage(const QString &title, int days, const QDate &last, qint64 games,
                     const std::vector<PlayerTotals> &players, const RatingView &view);

// The element of the index that holds the time it was made.
inline constexpr char kMadeStart[] = "<p class=\"made\">";
inline constexpr char kMadeEnd[] = "</p>";

} // namespace portal::pages
