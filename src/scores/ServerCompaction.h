#pragma once

#include "common/CommandHost.h"

class PlayerDatabase;

// Compact database for a database on a PostgreSQL server, where the server
// owns the files: the tables player and player_totals are rewritten without
// their dead rows and their statistics renewed (VACUUM FULL, ANALYZE). It
// waits at most 10 s for importers and exports of other machines to let go
// of the tables, and says what it did, or why it could not, in a message.
// The connection stays open. False when nothing was compacted.
bool compactServerTables(PlayerDatabase &database, CommandHost &host);
