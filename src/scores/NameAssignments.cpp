#include "scores/NameAssignments.h"

#include "common/RankholdError.h"
#include "scores/NamesSql.h"
#include "scores/PlayerDatabase.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

QStringList NameAssignments::namesOf(const QString &player) const
{
    if (countsAs.contains(player))
        return {};
    QStringList aliases;
    for (auto it = countsAs.cbegin(); it != countsAs.cend(); ++it) {
        if (it.value() == player)
            aliases.append(it.key());
    }
    std::sort(aliases.begin(), aliases.end());
    aliases.prepend(player);
    return aliases;
}

bool NameAssignments::hasAliases(const QString &player) const
{
    return std::any_of(countsAs.cbegin(), countsAs.cend(), [&](const QString &p) { return p == player; });
}

QSet<QString> NameAssignments::playersWithAliases() const
{
    QSet<QString> players;
    for (const QString &player : countsAs)
        players.insert(player);
    return players;
}

NameAssignments loadNameAssignments(QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(NamesSql::assignments()))
        throw RankholdError(engineMessage(q.lastError()));
    NameAssignments names;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (!q.value(1).isNull())
            names.countsAs.insert(name, q.value(1).toString());
        if (q.value(2).toLongLong() != 0)
            names.hidden.insert(name);
    }
    if (q.lastError().isValid())
        throw RankholdError(engineMessage(q.lastError()));
    return names;
}
