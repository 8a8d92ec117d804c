#pragma once

// The rows of the export benchmarks: a database file of the program's schema
// filled by one statement.

#include "common/RankholdError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace bench {

// One statement, so one transaction: game rows of every game type, with the
// columns of the other types left empty as the import leaves them. Player
// i % players plays game i / players, so every player has rows / players games.
inline void fillDatabase(const QString &path, qint64 rows, int players)
{
    using namespace Qt::StringLiterals;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        if (!db.open())
            throw RankholdError(db.lastError().text());
        QSqlQuery q(db);
        const QString sql =
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1), "
            "g(i, k, d) AS (SELECT i, (i * 37) % 31, (i * 53) % 17 FROM n) "
            "INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
            "Zonetime, Flags, Targets) "
            "SELECT '2026-01-01 ' || (i / %2) || ' Player' || (i % %2), 'Player' || (i % %2), k, d, 'map', "
            "'type', '2026-01-01', i / %2, 'None', k * 1.0 / max(d, 1), "
            "CASE WHEN i % 4 = 0 THEN k * 10 END, CASE WHEN i % 4 = 1 THEN k * 30 END, "
            "CASE WHEN i % 4 = 2 THEN k % 5 END, CASE WHEN i % 4 = 3 THEN k % 7 END FROM g;"_s.arg(rows)
                .arg(players);
        if (!q.exec(sql))
            throw RankholdError(q.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

} // namespace bench
