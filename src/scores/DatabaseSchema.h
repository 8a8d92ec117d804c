#pragma once

#include "scores/DatabaseLocation.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

// The schema of the player database in its versions, a file for each engine
// (resources/schema.sql, resources/schema-postgresql.sql) with the same
// versions. A file is read in sections headed by a line "-- version N: ...";
// a section holds the statements that bring a database of version N - 1 to N.
namespace DatabaseSchema {

struct Section {
    int version = 0;
    QStringList statements;
};

// The sections of `text` in file order; a trigger's body (BEGIN ... END;)
// and a text between $$ and $$ are part of one statement.
std::vector<Section> parse(const QString &text);
// The sections of the schema this program is built with.
const std::vector<Section> &sections(SqlEngine engine = SqlEngine::SQLite);
// The version of the last section: what a database of this program carries.
int latestVersion(SqlEngine engine = SqlEngine::SQLite);

// Runs every section on an empty database and records the latest version,
// in one transaction that holds the write lock from its start. Refuses a
// database that has the table `player`. Throws RankholdError with the
// engine's message; nothing is created then.
void create(QSqlDatabase &db);
// create() in a transaction of the caller's, which holds the write lock.
void createTables(QSqlDatabase &db);
// Whether the database has the table `player`.
bool hasPlayerTable(QSqlDatabase &db);
// Brings a database made by an earlier version of the program up to date in
// one transaction: the sections after its own version run and the version
// is recorded. A file without the table `player` is left alone (opening it
// is not the place to make one). Returns whether anything was run. Throws
// RankholdError with the engine's message; the file is unchanged then.
bool upgrade(QSqlDatabase &db);

} // namespace DatabaseSchema
