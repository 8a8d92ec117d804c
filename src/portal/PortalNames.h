#pragma once

#include "portal/PortalModel.h"

#include <QString>

// The file names of the portal's pages. A name comes from a player's or a
// map's name, which anyone who joins the server chooses, so:
// - it stays inside its folder (no separator, no "..", no leading dot);
// - two names never share a file, also where the file system ignores the
//   letter case: every character but a-z, 0-9 and the blank is written as
//   an escape, so the result is lower case and one name gives one result;
// - it is never a device name of Windows (CON, NUL, COM1, ...).
namespace portal::names {

// The folders below the portal's root, and the pages in its root.
inline const QString kPlayerFolder = QStringLiteral("player");
inline const QString kGameFolder = QStringLiteral("game");
inline const QString kMapFolder = QStringLiteral("map");
inline const QString kIndexPage = QStringLiteral("index.html");
inline const QString kWeekPage = QStringLiteral("week.html");
inline const QString kMonthPage = QStringLiteral("month.html");
inline const QString kRatingPage = QStringLiteral("rating.html");
inline const QString kPerGamePage = QStringLiteral("pergame.html");
// Data for other tools, in a folder of its own.
inline const QString kDataFolder = QStringLiteral("data");
inline const QString kPlayersJson = QStringLiteral("data/players.json");
inline const QString kAwardsPage = QStringLiteral("awards.html");
inline const QString kStyleSheet = QStringLiteral("portal.css");
inline const QString kScript = QStringLiteral("portal.js");

// The stem of a name: a-z and 0-9 as they are, the blank as "_", a capital
// as its small letter and "-", every other byte of its UTF-8 as "~" and two
// hex digits; the blanks at its end as "." and their count. Longer than 120
// characters: the first 80, "--" and 32 hex digits of the SHA-256 of the
// name ("--" appears in no stem otherwise).
QString stem(const QString &name);

// Paths relative to the portal's root, with "/" between folder and file.
QString playerPage(const QString &player);
QString mapPage(const QString &map);
// A game whose date and time are readable: "yyyymmdd-hhmmss_" and the
// map's stem, so a folder listing sorts by date; any other: "x" and 32 hex
// digits of the SHA-256 of its three texts.
QString gamePage(const GameKey &game);

} // namespace portal::names
