#pragma once

#include "scores/DatabaseLocation.h"

#include <QString>
#include <functional>

// rankhold-cli copy-database: every row of the SQLite database file `file`,
// with the names' assignments and their log, into the database on a server
// at `target`, for an operator who moves from the file to a shared
// database. One transaction: the tables are made first when the database
// has none; a database whose table player holds rows is refused. The totals
// come from the server's own triggers. The file is read as one snapshot and
// never written. `progress` is told the share copied (0..100). Returns the
// number of rows copied. Throws RankholdError; nothing is stored then.
qint64 copyDatabase(const QString &file, const DatabaseLocation &target,
                    const std::function<void(int percent)> &progress = {});
