#include "scores/ScoreArchive.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"
#include "scores/ScoreImport.h"

using namespace Qt::StringLiterals;

void archiveScoreFile(const QString &scoreFile, const ImportResult &imported, const ProgramFolder &folder)
{
    // The game may have appended a block while the export and upload ran:
    // archiving the file then would put rows in the archive that were never
    // imported. Leave it; the next import adds only the new rows.
    try {
        if (readFileBytes(scoreFile) != imported.bytes)
            return;
    } catch (const RankholdError &) {
        return; // in use or gone: nothing to archive now
    }
    const QString archive = folder.archiveFolder();
    platform::makeDirectory(archive);
    for (int n = 1; n > 0; ++n) {
        const QString target = platform::joinPath(archive, u"scores."_s + QString::number(n));
        if (platform::fileExists(target) || platform::directoryExists(target))
            continue;
        if (platform::moveFileNoReplace(scoreFile, target))
            return;
        // The name was taken in the meantime: try the next one. Any other
        // failure (file in use or gone) leaves the file for the next import.
        if (!platform::fileExists(scoreFile) || !(platform::fileExists(target) || platform::directoryExists(target)))
            return;
    }
}
