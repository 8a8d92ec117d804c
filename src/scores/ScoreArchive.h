#pragma once

#include <QString>
#include <QStringList>

class ProgramFolder;
struct ImportResult;

// What the archive step did.
struct ArchiveOutcome {
    // Why an imported score file cannot be archived (the archive folder
    // cannot be made or written, the file cannot be moved, ...), as one
    // sentence; empty when it was archived, or when it stays only until the
    // next round (the game still writes it, or wrote to it meanwhile).
    QString problem;
    // For each damaged block of the files that were done with, in order:
    // the file it was set aside in, or empty when it was not.
    QStringList setAside;
};

// The last step after an import: every score file the import is done with
// goes into the archive folder as "scores." + the first free number, its
// damaged blocks each into "rejected." + the first free number, exactly as
// read. A file is archived only when it still holds exactly what was
// imported and no other program has it open for writing (see
// ScoreHandover); otherwise it stays, and the next import reads it again
// (skipping the rows stored already). Nothing ever overwrites a file.
ArchiveOutcome archiveScoreFile(const QString &scoreFile, const ImportResult &imported, const ProgramFolder &folder);

// Where the archive step puts a score file it has taken from the game, in
// the game folder, until it is in the archive. A file left there (the
// archive could not be written, the program stopped) is imported before
// scores.txt by the next import, and archived by it.
QString stagedScoreFile(const QString &scoreFile);
