#pragma once

#include "common/RankholdError.h"
#include "scores/NameAssignments.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// rankhold-cli players and the window Extra > Players...: who is who on the
// player portal. Merges names into one player, takes them apart again,
// hides players from the boards and shows them again, each change in one
// transaction with its line in the log; suggests names that may be one
// player's. The rows of `player` are never changed. Every call throws
// RankholdError (the engine's message, or why the change cannot be made);
// nothing is changed then.
class PlayerNames
{
public:
    // A name the user gave that matches two or more stored names (they
    // differ in the blanks at their end); the context lists them, one a
    // line, quoted, with their games.
    class AmbiguousName : public RankholdError
    {
    public:
        AmbiguousName(const QString &given, QStringList candidates, const QString &list);
        const QStringList &candidates() const { return m_candidates; }

    private:
        QStringList m_candidates;
    };

    struct Name {
        QString name;
        qint64 games = 0;
        QString countsAs; // empty: itself
        bool hidden = false;
    };
    struct LogEntry {
        QString time; // UTC, ISO 8601
        QString user;
        QString change;
    };
    struct Suggestion {
        Name more, fewer; // by games; merging `fewer` into `more` is the likely step
        int distance = 0; // 0: the same letters
    };

    explicit PlayerNames(QSqlDatabase db);

    // Every stored name, in byte order.
    std::vector<Name> list();
    // The stored name a user means: the one equal to `given`, else the one
    // equal to it once the blanks at their ends are dropped. Throws
    // AmbiguousName, or RankholdError when none matches.
    QString resolve(const QString &given);

    // Each resolves its names first and returns the line it logged.
    QString merge(const QString &alias, const QString &into);
    QString unmerge(const QString &alias);
    QString hide(const QString &name);
    QString show(const QString &name);

    std::vector<LogEntry> log();
    // Players (names that count as themselves) never in one game together
    // whose names are alike, the most alike first.
    std::vector<Suggestion> suggest();

    // A name as the lists show it: without the blanks the game pads it with,
    // quoted exactly where another stored name differs from it only in them.
    static QString shown(const QString &name, const std::vector<Name> &all);

private:
    struct Stored {
        QHash<QString, qint64> games; // every stored name and its games
        NameAssignments names;
    };
    Stored read();
    QString resolveIn(const Stored &stored, const QString &given) const;
    // Runs `change` in a transaction that holds the writers' lock and logs
    // the line it returns.
    QString write(const std::function<QString(Stored &stored, QSqlDatabase &db)> &change);
    // Whether some game has a row of `a` and one of a name of `player`.
    bool metInAGame(const QStringList &a, const QStringList &b);

    QSqlDatabase m_db;
};
