#pragma once

#include <QString>
#include <QStringList>
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
// The names of the entries of a folder that are not folders (nor links to
// one), hidden ones too; none when it cannot be read. Reads no file's
// details but where the folder's entry leaves the kind open.
QStringList fileNames(const QString &folder);
// Creates one folder; false when it exists already or cannot be made.
bool makeDirectory(const QString &path);
// Creates a folder with all missing parents.
bool makePath(const QString &path);
// Moves a file, also across file systems, never overwriting an existing
// destination; false when it did not move, with the error number in `error`.
// Across file systems the file is copied under a temporary name beside the
// destination, flushed, given the destination's name and only then removed
// from its old place: a crash or a full disk never leaves half a copy under
// the destination's name, and never the file in neither place.
bool moveFileNoReplace(const QString &from, const QString &to, int *error = nullptr);
// Renames within one file system in one step, never overwriting: 0, or the
// error number (EEXIST when `to` exists, EXDEV across file systems).
int renameNoReplace(const QString &from, const QString &to);
// Writes a new file at `path` (never replacing one) with `bytes`, flushed,
// under a temporary name first: 0, or the error number.
int writeNewFile(const QString &path, const QByteArray &bytes);
// Replaces `to` by `from` in one rename (same file system); false on failure.
bool replaceFile(const QString &from, const QString &to);
// Writes `bytes` to `temporary` (beside `path`, a name only this writer
// uses) in one call, then renames it over `path`, so a reader sees the old
// file or the new one: 0, or the error number. Not flushed to the disk.
int replaceFileWith(const QString &path, const QString &temporary, const QByteArray &bytes);
// Creates the file at `path`, never replacing one, with `bytes` in one
// write: 0, or the error number (EEXIST when it exists). A failed write
// removes what it made. Not flushed to the disk.
int createFileWith(const QString &path, const QByteArray &bytes);
// Every byte of a file; nothing when it cannot be read, or when `size` is
// given and the file has another size (then nothing is read).
std::optional<QByteArray> readWholeFile(const QString &path, std::optional<qint64> size = std::nullopt);
// The system's text for an error number ("No space left on device").
QString errorText(int error);

} // namespace platform
