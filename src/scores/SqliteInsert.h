#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// One insert statement run through SQLite's own interface on the connection
// of a QSqlDatabase. An import binds fourteen values a row: Qt's binding
// costs about a fifth of the whole import, this costs next to nothing. The
// values are bound as Qt binds them (a text as UTF-16, a double as a double,
// a null as NULL), so the rows stored are the same, and a failure reads as
// Qt's would.
class SqliteInsert
{
public:
    // Null when `db` is not a SQLite connection, or the statement cannot be
    // prepared (`error` says why).
    static std::unique_ptr<SqliteInsert> prepare(const QSqlDatabase &db, const QString &sql, QSqlError *error);
    ~SqliteInsert();
    SqliteInsert(const SqliteInsert &) = delete;
    SqliteInsert &operator=(const SqliteInsert &) = delete;

    // Binds `values` in order and runs the statement. False with `error` set
    // when SQLite refuses it. `values` must live until it returns.
    bool run(const QVariantList &values, QSqlError *error);
    // The rows the last run() inserted (not counting those of triggers).
    int rowsInserted() const;

private:
    SqliteInsert(sqlite3 *db, sqlite3_stmt *statement) : m_db(db), m_statement(statement) {}
    QSqlError lastError(int code) const;

    sqlite3 *m_db;
    sqlite3_stmt *m_statement;
};
