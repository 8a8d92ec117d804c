#pragma once

#include <QString>

namespace platform {

// A lock that tells programs sharing one file apart from one that needs it
// alone: every program that has the database open holds it shared, and
// compaction, which replaces the file, needs it exclusive. It is a record
// lock on one byte that the database engine never locks itself (far past
// its own lock bytes), held by an open file description, so it lives
// exactly as long as this object and never disturbs the engine's locks.
class FileLock
{
public:
    enum class Mode { Shared, Exclusive };

    FileLock() = default;
    ~FileLock();
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Locks the file at `path`, trying for up to `waitMs` while another
    // program holds a conflicting lock. A lock on a file that another one
    // replaced while this one waited is dropped and taken on the new file.
    // Not held when the file cannot be opened or the wait ran out; `error`
    // then tells why (EWOULDBLOCK for the wait).
    static FileLock acquire(const QString &path, Mode mode, int waitMs, int *error = nullptr);

    bool isHeld() const { return m_fd >= 0; }
    // Whether `path` no longer names the locked file: it was replaced (by a
    // rename over it) or removed since the lock was taken.
    bool isReplacedAt(const QString &path) const;
    void release();

private:
    int m_fd = -1;
};

} // namespace platform
