#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace platform {

struct MemoryStatus {
    std::uint64_t totalPhysicalBytes = 0; // 64-bit, never truncated
    int memoryLoadPercent = 0;            // 100 - available * 100 / total
};
MemoryStatus memoryStatus();

// Blocks of some hundred kilobytes and more (the portal's largest pages)
// go back to the system when freed. Left alone, the allocator raises that
// bound after the first such block is freed and keeps the later ones in
// its pools, one per thread: a full portal build then held 1.4 times the
// memory it used. Called once, at the start of the program.
void returnLargeBlocksWhenFreed();
// Hands the memory freed so far back to the system, also what lies between
// blocks still in use: for after a large passing structure is let go, when
// what comes next is allocated apart from it.
void returnFreedMemory();

// Bytes available to the program on the file system of the current
// directory; -1 when it cannot be read.
std::int64_t freeSpaceOfCurrentDrive();

struct OsVersion {
    bool windows = false; // the Windows rules of the system name apply
    int platformId = 0;
    int major = 0;
    int minor = 0;
};
OsVersion osVersion();

// Priority classes and thread priorities, in the numbers the program uses.
constexpr int kNormalPriorityClass = 0x20;
constexpr int kHighPriorityClass = 0x80;
constexpr int kRealtimePriorityClass = 0x100;
constexpr int kThreadPriorityNormal = 0;
constexpr int kThreadPriorityTimeCritical = 15;

// Best effort: a refusal (no privilege) is ignored and reported as false.
int processPriorityClass();
bool setProcessPriorityClass(int priorityClass);
int currentThreadPriority();
bool setCurrentThreadPriority(int priority);

// The processor's time-stamp counter (a monotonic nanosecond clock where there is none).
std::uint64_t readTimeStampCounter();
void sleepMilliseconds(int ms);

// Starts `executable` with `arguments` in `workingFolder`, detached, at the
// priority class given: directly when it is a native executable (ELF or
// "#!"), otherwise through wine when wine is on the PATH. False when nothing started.
bool startDetachedProcess(const QString &executable, const QStringList &arguments, const QString &workingFolder,
                          int priorityClass);

// The name of the user the program runs as (the account's, else $USER,
// else the number of the account), for the records of who changed what.
QString userName();

} // namespace platform
