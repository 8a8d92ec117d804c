#pragma once

#include "core/CommandHost.h"

class PlayerDatabase;

// UpdateDBInfo: reopens the table and the kills query (with whatever text it
// carries, so after a filtered export only the players that pass the filters
// count), takes the database file's size and shows the three figures.
// Throws RankholdError; the figures keep their old values then.
DatabaseFigures UpdateDBInfo(PlayerDatabase &database, CommandHost &host);

// Extra > Database Maintenance > Open/Close: closes an open connection, or
// opens the connection with DataSet1 and DataSet2. The figures are not refreshed.
void CloseQuellmoordatabase(PlayerDatabase &database);
