#pragma once

#include "platform/FileLock.h"

#include <QString>

// Who may replace the database file. Every Rankhold program that has the
// database open holds it shared; compaction, which puts a compacted copy in
// its place, needs it alone and so fails while any other program has it
// open, instead of leaving that program on the old file.

// The shared hold of a program that opens the database; it waits a while
// for a compaction in progress. Not held when the file is missing (the
// engine then says so). Throws "database is locked: FILE" when a
// compaction keeps it for longer than that.
platform::FileLock holdDatabaseInUse(const QString &databaseFile);
// The hold of a compaction; not held when another program has the database
// open (or the file cannot be opened).
platform::FileLock holdDatabaseAlone(const QString &databaseFile);
