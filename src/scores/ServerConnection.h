#pragma once

#include "scores/DatabaseLocation.h"

#include <QSqlDatabase>
#include <QString>

// Connections to a player database on a PostgreSQL server, through Qt's
// driver QPSQL (Debian's libqt6sql6-psql). Every connection of the program
// to a server is made here, so all of them wait, give up and notice a lost
// server alike.

// Adds (or finds) the connection `name` with the PostgreSQL driver. Throws
// RankholdError when the driver is not installed.
QSqlDatabase serverConnection(const QString &name);

// Opens `db` on the database of `location` and prepares it for this
// program's statements. A connection gives up after 10 s; a server that
// stops answering in the middle of a statement is given up after about a
// minute (TCP keepalives and a user time-out); a statement ends after the
// location's time-out (the server's statement_timeout), and one that a
// stopped backend never ends shortly after (see ServerWatchdog), so an
// unattended import never waits for ever. Throws RankholdError with libpq's message, the URL, and
// where the password comes from when the server asked for one.
void openServerConnection(QSqlDatabase &db, const DatabaseLocation &location);

// libpq's connection beneath `db` (Qt's PostgreSQL driver), for what the
// driver does not offer (the bulk copy, the watchdog); null for another driver.
struct pg_conn *libpqConnection(const QSqlDatabase &db);

// Whether the server still answers on `db` (one round trip). False after a
// restart of the server or a dropped connection: the connection is then of
// no further use.
bool serverAnswers(QSqlDatabase &db);
