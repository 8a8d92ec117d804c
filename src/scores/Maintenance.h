#pragma once

#include "core/CommandHost.h"
#include "scores/PlayerSql.h"

#include <QString>

class PlayerDatabase;

// Extra > Database Maintenance. Each asks first where the command does
// (a "Warning" box) and ends with UpdateDBInfo when it ran a statement.
void DeleteallRecords(PlayerDatabase &database, CommandHost &host);
// Delete Records matching (matching = true) / not matching the filters.
void DeleteRecordsByFilters(PlayerDatabase &database, const PlayerSql::Filters &filters, bool matching,
                            CommandHost &host);
// Compact database: VACUUM INTO ProgramFolder/Rankhold_rep.mdb, then the copy
// replaces the database in one rename; the original stays in use on failure.
void RepairQuellmoordatabase(PlayerDatabase &database, const QString &programFolder, CommandHost &host);
