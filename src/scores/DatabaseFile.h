#pragma once

#include <QString>

// Creates an empty database with the table `player` at `path`. Refuses to
// touch an existing file. Throws RankholdError.
void createDatabase(const QString &path);
// The schema the database is created from.
QString databaseSchema();
