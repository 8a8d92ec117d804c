#pragma once

#include <QString>
#include <optional>

namespace platform {

// folder + native separator + name, as plain text: no normalisation; an
// empty folder gives "/name".
QString joinPath(const QString &folder, const QString &name);

QString currentDirectory();
bool setCurrentDirectory(const QString &folder);

bool fileExists(const QString &path);
bool directoryExists(const QString &path);
// Size in bytes, or nothing when the file cannot be opened for reading and writing.
std::optional<qint64> fileSizeForUpdate(const QString &path);
bool removeFile(const QString &path);
// Creates one folder; false when it exists already or cannot be made.
bool makeDirectory(const QString &path);
// Creates a folder with all missing parents.
bool makePath(const QString &path);
// Moves a file, also across file systems (copy, flush, unlink), never
// overwriting an existing destination; false when it did not move.
bool moveFileNoReplace(const QString &from, const QString &to);
// Replaces `to` by `from` in one rename (same file system); false on failure.
bool replaceFile(const QString &from, const QString &to);

} // namespace platform
