#pragma once

#include <QString>

class ProgramFolder;
struct ImportResult;

// The last step after an import: moves the score file into the archive
// folder as "scores." + the first free number. Nothing is moved when the file
// no longer holds exactly what was imported (the game appended a block
// meanwhile: its rows come with the next import) or cannot be moved.
void archiveScoreFile(const QString &scoreFile, const ImportResult &imported, const ProgramFolder &folder);
