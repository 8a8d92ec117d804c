#pragma once

#include "common/CommandHost.h"
#include "scores/PlayerSql.h"

class PlayerDatabase;
class ProgramFolder;

// Extra > Database Maintenance. Each asks first where the command does (a
// "Warning" box) and returns whether it changed the database, after which the
// caller refreshes the figures (UpdateDBInfo).

// Delete all Records; false when the answer was No.
bool deleteAllRecords(PlayerDatabase &database, CommandHost &host);
// Delete Records matching (matching = true) / not matching `filters`; false
// when the answer was No or filter 1 is empty.
bool deleteRecordsByFilters(PlayerDatabase &database, const PlayerSql::Filters &filters, bool matching,
                            CommandHost &host);
// Compact database: VACUUM INTO the folder's compaction copy, then the copy
// replaces the database in one rename, and the connection is opened again.
// False, after the message box of a failed compaction, when the original
// stayed in use. A database on a server: see compactServerTables().
bool compactDatabase(PlayerDatabase &database, const ProgramFolder &folder, CommandHost &host);
