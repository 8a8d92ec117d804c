#include "scores/DatabaseInUse.h"

#include "common/RankholdError.h"

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// Longer than a compaction of a large database takes.
constexpr int kCompactionWaitMs = 30000;

} // namespace

platform::FileLock holdDatabaseInUse(const QString &databaseFile)
{
    int error = 0;
    platform::FileLock lock =
        platform::FileLock::acquire(databaseFile, platform::FileLock::Mode::Shared, kCompactionWaitMs, &error);
    if (!lock.isHeld() && error == EWOULDBLOCK)
        throw RankholdError(u"database is locked: "_s + databaseFile);
    return lock;
}

platform::FileLock holdDatabaseAlone(const QString &databaseFile)
{
    return platform::FileLock::acquire(databaseFile, platform::FileLock::Mode::Exclusive, 0);
}
