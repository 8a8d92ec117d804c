#pragma once

#include <QString>

class ProgramFolder;
class QSqlDatabase;

// The two engines the player database can live in: the file Rankhold.mdb
// (SQLite, the default) or a PostgreSQL server that several game servers
// share.
enum class SqlEngine { SQLite, PostgreSQL };

// The engine of an open (or set up) connection, by its Qt driver.
SqlEngine engineOf(const QSqlDatabase &db);

// Where the player database is: a file, or a database on a PostgreSQL server
// named by a URL "postgresql://user@host[:port]/dbname".
struct DatabaseLocation {
    SqlEngine engine = SqlEngine::SQLite;
    QString file; // SQLite: the database file

    // PostgreSQL. The password is never part of it: libpq reads it from
    // PGPASSWORD or the password file (~/.pgpass).
    QString url; // as given
    QString host;
    int port = 5432;
    QString user; // empty: libpq's default (the login name)
    QString databaseName;
    QString options; // libpq connection options from the URL's query ("sslmode=require")
    // The longest one statement may take: `timeout=` of [Database], in seconds.
    int timeoutSeconds = kDefaultTimeoutSeconds;
    static constexpr int kDefaultTimeoutSeconds = 300;

    bool isServer() const { return engine == SqlEngine::PostgreSQL; }
    // The file or the URL: what messages name.
    QString displayName() const { return isServer() ? url : file; }
    bool operator==(const DatabaseLocation &) const = default;
};

DatabaseLocation fileDatabase(const QString &path);

// Parses "postgresql://user@host[:port]/dbname[?sslmode=...]" (also
// "postgres://"). Throws RankholdError naming what is wrong; a URL with a
// password in it is refused, whatever else it holds.
DatabaseLocation parseDatabaseUrl(const QString &url);

// The database of a program folder: `url` when it is not empty (the command
// line's --database), otherwise `url=` of the section [Database] of its
// Rankhold.ini, otherwise its file Rankhold.mdb; a server's time-out from
// `timeout=` of the same section. Throws RankholdError for a URL or a
// time-out that cannot be used.
DatabaseLocation databaseLocationOf(const ProgramFolder &folder, const QString &url = {});
