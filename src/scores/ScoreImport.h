#pragma once

#include "core/CommandHost.h"

#include <QString>
#include <functional>

class PlayerDatabase;

// File > Import Scores.txt (ImportScorestxt1Click): reads every score block
// of GameFolder/scores.txt into `player`, skipping rows already stored,
// refreshes the figures, runs `afterImport` (the export and upload chain,
// when "Create and upload HTML by FTP after each import" is ticked; may be
// empty), then moves the file into ProgramFolder/oldscores. Returns false
// when there was no score file. Throws RankholdError; the rows before the
// failing row stay stored (one transaction, committed up to the failing row,
// which is never half stored) and the file is neither archived nor passed to
// `afterImport` then, so the next import reads it again and adds the rest.
bool importScores(PlayerDatabase &database, const QString &gameFolder, const QString &programFolder, CommandHost &host,
                  const std::function<void()> &afterImport);
