#pragma once

#include "scores/DatabaseLocation.h"

#include <QString>

// Creates an empty database with the table `player` and the totals kept
// beside it, of the latest schema version, at `path`. Refuses to touch an
// existing file. Throws RankholdError.
void createDatabase(const QString &path);

// The file above, or the tables in an empty database on a server
// (createServerDatabase). Throws RankholdError.
void createDatabase(const DatabaseLocation &location);
