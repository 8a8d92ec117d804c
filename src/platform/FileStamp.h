#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// What tells one version of a file from the next without reading it: which
// file it is (device and inode; a file replaced by a rename is a new one),
// its size and its modification and status-change times. Two equal stamps
// mean nothing has written or replaced the file in between.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const FileStamp &) const = default;
    // The same file (a rename keeps it the same; it changes its status time).
    bool isSameFileAs(const FileStamp &other) const
    {
        return exists && other.exists && device == other.device && inode == other.inode;
    }
    // The same file, not written to in between (as far as size and time tell).
    bool isUnwrittenSince(const FileStamp &earlier) const
    {
        return isSameFileAs(earlier) && size == earlier.size && modifiedNs == earlier.modifiedNs;
    }
};

// The stamp of the file at `path` now; a path that names nothing (or that
// cannot be looked at) has the stamp of a missing file.
FileStamp fileStamp(const QString &path);
// The stamp of an open file, whatever its name is now.
FileStamp fileStamp(int descriptor);

} // namespace platform
