#pragma once

#include "common/CommandHost.h"
#include "scores/ScoreReader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class PlayerDatabase;

// A score block that could not be read to its end.
struct FailedBlock {
    QString message;  // the error, as the error box shows it
    qsizetype line;   // where it failed, from 0: the row, or the header of a block cut off by the file's end
    QString lineText; // that line
    QByteArray lines; // the block's lines exactly as read, line breaks included
};

// One score file as the import read it.
struct ImportedFile {
    QString path;
    QByteArray bytes; // the file as it was read and imported
    // The blocks that failed, in file order. Every one but a failing last
    // block is damaged: a complete block follows it, so the game has finished
    // writing it. A failing last block may be one the game is still writing.
    std::vector<FailedBlock> failed;
    bool lastBlockFailed = false;
    // What stood before the headers of its blocks and was read past.
    std::vector<ReadPastBytes> readPast;
    // Whether the import is done with this file: it may go to the archive,
    // its damaged blocks set aside.
    bool complete() const { return !lastBlockFailed; }
};

// A game of the score file: the rows of one map played at one date and time.
struct ImportedGame {
    QString date, time, map;
    bool operator==(const ImportedGame &) const = default;
};

// What one import of the score file did.
struct ImportResult {
    bool found = false; // false: there was no score file, nothing happened
    // A score file left under the staging name by an archive that could not
    // end (see ScoreArchive) first, then scores.txt.
    std::vector<ImportedFile> files;
    qint64 stored = 0;        // rows added
    qint64 alreadyStored = 0; // rows skipped because their key was stored already
    // The games whose rows were handed to the insert as new, in file order:
    // what to tell about. In the file a row already stored is known at once
    // and a file read again adds none; on a server the insert itself leaves
    // out what is stored, so every game of the file is listed.
    std::vector<ImportedGame> newGames;
};

// The most a score file may hold: far more than years of a busy server's
// blocks (one year is under 100 MB), far less than would exhaust memory.
inline constexpr qint64 kLargestScoreFile = qint64(512) << 20;

// File > Import Scores.txt without the steps that follow it: opens the table,
// reads every score block of `scoreFile` into `player` (skipping rows already
// stored), shows "Idle" and reopens DataSet2. A block that fails is dropped
// from the row where it fails (the rows before it stay stored) and the blocks
// after it are read as usual. What is stored and what fails depends on the
// file's bytes alone, not on the rows the database holds already. When a file's last block fails (the game may
// still be writing it), the import ends with that file's first error, after
// storing every row it could; the file stays for the next import. Throws
// RankholdError; an engine error that is not about a value ends the import at
// once, the rows before it stored (one transaction, committed up to the
// failing row, which is never half stored).
ImportResult importScoreFile(PlayerDatabase &database, const QString &scoreFile, CommandHost &host);

// One sentence on what the import read past before the headers of `file`'s
// blocks (a byte-order mark, NUL bytes, other text); empty when nothing.
QString readPastNote(const ImportedFile &file);

// The error of the first block that failed in `result`, with where each
// failed block is (`setAsideIn`: where each damaged block was put, in order,
// empty when it was not). Throws nothing when no block failed.
void throwForFailedBlocks(const ImportResult &result, const QStringList &setAsideIn = {});
