#pragma once

#include "common/CommandHost.h"

#include <QByteArray>
#include <QString>

class PlayerDatabase;

// What one import of a score file did.
struct ImportResult {
    bool found = false;       // false: there was no score file, nothing happened
    QByteArray bytes;         // the file as it was read and imported
    qint64 stored = 0;        // rows added
    qint64 alreadyStored = 0; // rows skipped because their key was stored already
};

// File > Import Scores.txt without the steps that follow it: opens the table,
// reads every score block of `scoreFile` into `player` (skipping rows already
// stored), shows "Idle" and reopens DataSet2. Throws RankholdError; the rows
// before the failing row stay stored (one transaction, committed up to the
// failing row, which is never half stored), so the next import of the same
// file adds only the rest.
ImportResult importScoreFile(PlayerDatabase &database, const QString &scoreFile, CommandHost &host);
