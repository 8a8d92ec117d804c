#pragma once

#include "scores/DatabaseLocation.h"

#include <QSqlDatabase>
#include <QString>

// A connection of its own to a database on a server, for the commands that
// set one up (create-database, copy-database): open while it lives.
class ServerDatabase
{
public:
    // Connects, and refuses a database whose encoding is not UTF8 (a name
    // from the score file could not be stored in it whole). Throws
    // RankholdError.
    explicit ServerDatabase(const DatabaseLocation &location);
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;

    QSqlDatabase &db() { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// rankhold-cli create-database for a database on a server: the tables,
// the totals and their triggers in one transaction. Refuses a database that
// has the table `player`. Throws RankholdError; nothing is created then.
void createServerDatabase(const DatabaseLocation &location);
