#pragma once

#include "portal/Awards.h"
#include "portal/PortalModel.h"
#include "scores/NameAssignments.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// What the last complete build of the portal was made from: every name's
// totals, who is who, the maps' summaries, the day of the newest game and the
// awards. The next
// build compares the database with it to find the pages that changed.
namespace portal {

struct PortalState {
    // Identifies the markup the pages were made with: pages of another
    // version of the program are all made again.
    QByteArray format;
    QHash<QString, Totals> players; // by the name as stored
    NameAssignments names;
    std::vector<MapSummary> maps;
    QDate newestDay; // invalid while no game has a readable date
    // The checksum of the rating ledger saved with this record, and the
    // fewest games a player needs to count on the fair boards.
    QByteArray rating;
    qint32 minGames = 0;
    // The day the pages were made for: games after it count for no period.
    QDate lastDay;
    QDate firstFuture;                        // the first day of such a game; invalid when none
    std::vector<awards::PeriodAwards> awards; // in the order of their periods
};

// Nothing when the file is missing, damaged or of another layout.
std::optional<PortalState> loadPortalState(const QString &path);
// Replaces the file as a whole, without waiting for the disk, like the
// pages: after a crash of the system, a record that does not read back whole
// makes every page again. Throws RankholdError "Cannot create file %s".
void savePortalState(const QString &path, const PortalState &state);

} // namespace portal
