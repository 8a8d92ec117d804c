#pragma once

#include <QString>

namespace platform {
class Registry;
}

// The game's installation record: the folder of dflw.exe, kept as the value
// "Path" of its App Paths key in the registry store, and the files of the
// game the program uses. The one place that knows where the record lives.
namespace GameFolderRecord {

// The registered folder, exactly as stored; empty when there is none.
QString read(const platform::Registry &registry);
// Set DFLW folder. Throws RankholdError "Failed to set data for 'Path'"
// when the store cannot be written.
void store(platform::Registry &registry, const QString &gameFolder);

QString executable(const QString &gameFolder); // dflw.exe
QString scoreFile(const QString &gameFolder);  // scores.txt

} // namespace GameFolderRecord
