#pragma once

#include <QString>

// Creates an empty database with the table `player` and the totals kept
// beside it, of the latest schema version, at `path`. Refuses to touch an
// existing file. Throws RankholdError.
void createDatabase(const QString &path);
