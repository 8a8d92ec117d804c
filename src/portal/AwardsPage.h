#pragma once

#include "portal/Awards.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <vector>

// Where the awards show: their own page, and each player's medals on the
// player's page.
namespace portal::pages {

// The awards of the day, week and month of `newest` (the newest day of
// play; invalid when there is none) and the medals of every player over
// all periods, most golds first.
QByteArray awardsPage(const std::vector<awards::PeriodAwards> &all, const QDate &newest);

// The medals section of a player's page, `root` leading to the portal's root.
QString medalsSection(const std::vector<awards::Medal> &medals, const QString &root);

} // namespace portal::pages
