#include "portal/NameChanges.h"

namespace portal {

NameChanges nameChanges(const NameAssignments &before, const NameAssignments &now)
{
    // Every name whose player or visibility could differ is merged or hidden
    // on one side or the other.
    QSet<QString> candidates = before.hidden + now.hidden;
    for (const NameAssignments *side : {&before, &now}) {
        for (auto it = side->countsAs.cbegin(); it != side->countsAs.cend(); ++it)
            candidates.insert(it.key());
    }
    NameChanges changes;
    for (const QString &name : std::as_const(candidates)) {
        const QString &was = before.playerOf(name), &is = now.playerOf(name);
        if (was == is && before.isHidden(was) == now.isHidden(is))
            continue;
        changes.names.insert(name);
        changes.players.insert(was);
        changes.players.insert(is);
    }
    return changes;
}

} // namespace portal
