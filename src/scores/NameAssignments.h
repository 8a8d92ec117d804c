#pragma once

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Who is who on the player portal (table player_names): names merged into
// another, each counting there as that player, and players kept off the
// boards. A player is a name that counts as itself, with the names merged
// into it; a merged name is never the target of another. The rows of
// `player` keep the names the game wrote.
struct NameAssignments {
    QHash<QString, QString> countsAs; // a merged name -> the player it counts as
    QSet<QString> hidden;             // players on no board

    // The player a stored name counts as: the name itself unless merged.
    QString playerOf(const QString &name) const { return countsAs.value(name, name); }
    bool isHidden(const QString &player) const { return hidden.contains(player); }
    // The names that count as `player`, its own first, the others in byte
    // order; none when `player` is merged into another.
    QStringList namesOf(const QString &player) const;
    // Whether the player has names merged into it.
    bool hasAliases(const QString &player) const;
    // Every player with names merged into it.
    QSet<QString> playersWithAliases() const;
    bool isEmpty() const { return countsAs.isEmpty() && hidden.isEmpty(); }
    bool operator==(const NameAssignments &) const = default;
};

// Reads the table. Throws RankholdError with the engine's message.
NameAssignments loadNameAssignments(QSqlDatabase &db);
