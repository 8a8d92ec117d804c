#pragma once

#include "common/CommandHost.h"
#include "scores/PlayerSql.h"

class PlayerDatabase;

// UpdateDBInfo: reopens the table, counts its rows and the players (those
// that pass `playerFilter`, the filter of the last export, when it is set),
// takes the database's size (the file's, or the database's on a server) and
// shows the three figures. Throws
// RankholdError; the figures keep their old values then.
DatabaseFigures UpdateDBInfo(PlayerDatabase &database, const PlayerSql::Filters &playerFilter, CommandHost &host);

// Extra > Database Maintenance > Open/Close: closes an open connection, or
// opens the connection with DataSet1 and DataSet2. The figures are not refreshed.
void toggleConnection(PlayerDatabase &database);
