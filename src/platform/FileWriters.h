#pragma once

#include <QString>

namespace platform {

// Who else writes a file: the check that keeps the archive from moving a
// score file that the game still writes to. On Windows a file held open for
// writing cannot be moved at all; on Linux it can, and the writes follow it.

// A read lease on a descriptor opened read-only. The kernel grants it only
// while no descriptor anywhere has the file open for writing, and while it
// is held, a program that opens the file for writing waits (until the lease
// is released) and the lease shows as broken. A program may take leases only
// on its own files (or with the privilege to take them on any), and not on
// every file system.
class ReadLease
{
public:
    enum class State {
        Held,
        FileWritten, // someone has the file open for writing
        Unavailable, // not this program's file, or no leases on this file system
    };

    explicit ReadLease(int descriptor);
    ~ReadLease();
    ReadLease(const ReadLease &) = delete;
    ReadLease &operator=(const ReadLease &) = delete;

    State state() const { return m_state; }
    // Held, and nobody has tried to open the file for writing since it was taken.
    bool unbroken() const;
    void release();

private:
    int m_fd;
    State m_state = State::Unavailable;
};

// What the descriptor tables of the running programs say about the file of
// `descriptor`: whether any descriptor other than that one has it open for
// writing. This program sees the tables of its own user's programs (of every
// program when privileged); Unknown when a program of the file's owner runs
// whose table it cannot see.
struct ProcessWriters {
    enum class State { None, Some, Unknown };
    State state = State::None;
    QString owner; // the file's owner, by name (by number when it has none)
};
ProcessWriters writersFromProcesses(int descriptor);

} // namespace platform
