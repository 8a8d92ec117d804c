#pragma once

#include "scores/NameAssignments.h"

#include <QSet>
#include <QString>

// What the names' assignments changed since the last build: the names that
// count as another player now, or are hidden or shown, and the players they
// counted as and count as. Their pages, the pages of those names' games and
// the best players of those games' maps are made again; nothing else.
namespace portal {

struct NameChanges {
    QSet<QString> names;   // as stored in `player`
    QSet<QString> players; // before and now
    bool isEmpty() const { return names.isEmpty(); }
};

NameChanges nameChanges(const NameAssignments &before, const NameAssignments &now);

} // namespace portal
