#pragma once

#include <QSqlDatabase>
#include <QString>

// Watches the connections to PostgreSQL servers from a thread of its own,
// for the one wait that no time-out of libpq ends: a server whose backend
// has stopped (frozen, swapped out, a debugger) keeps the connection up and
// answers no more, and the statement waits for ever. A request that stays
// unanswered past the database's time-out, or for a few seconds once the
// program has been told to stop (a service's SIGTERM), has its connection
// shut down: the blocked call returns with an error, which the import rolls
// back as a whole. That the connection is waited on is what the kernel says
// the thread that uses it is blocked in; how long it has been quiet, from
// the kernel's record of the connection's traffic.
namespace serverwatchdog {

// Watches `db` (open, PostgreSQL, used by the calling thread) with
// `timeoutSeconds` for one request.
void watch(const QSqlDatabase &db, int timeoutSeconds);
// Stops watching `db`; call before it is closed.
void forget(const QSqlDatabase &db);
// `message`, a driver's or libpq's words for a failed call, with why the
// watchdog shut the connection down in front when it did (said once).
QString explained(const QString &message);

// While waiting for a stop, a statement is given this long to end.
inline constexpr int kStopGraceMs = 3000;

} // namespace serverwatchdog
