#include "scores/ScoreHandover.h"

#include "platform/FileWriters.h"
#include "platform/Paths.h"
#include "platform/ReadOnlyFile.h"
#include "platform/System.h"
#include "scores/ScoreImport.h"

using namespace Qt::StringLiterals;

namespace {

Handover left()
{
    return {Handover::Outcome::Left, {}};
}

Handover failed(const QString &problem)
{
    return {Handover::Outcome::Failed, problem};
}

// Whether the open file holds exactly `imported` now.
bool holds(const platform::ReadOnlyFile &file, const QByteArray &imported)
{
    QByteArray now;
    return file.readAll(kLargestScoreFile, now) == platform::ReadOnlyFile::Read::Whole && now == imported;
}

} // namespace

Handover takeScoreFile(const QString &path, const QString &staging, const QByteArray &imported)
{
    const platform::ReadOnlyFile file(path);
    if (!file.isOpen())
        return left(); // gone, or something else under the name: the next import sees what
    const platform::FileStamp before = file.stamp();
    if (!holds(file, imported))
        return left();
    const platform::FileStamp read = file.stamp();
    if (!read.isUnwrittenSince(before))
        return left();

    platform::ReadLease lease(file.descriptor());
    switch (lease.state()) {
    case platform::ReadLease::State::FileWritten:
        return left();
    case platform::ReadLease::State::Held:
        if (!file.stamp().isUnwrittenSince(read))
            return left();
        break;
    case platform::ReadLease::State::Unavailable: {
        const platform::ProcessWriters writers = platform::writersFromProcesses(file.descriptor());
        if (writers.state == platform::ProcessWriters::State::Some)
            return left();
        if (writers.state == platform::ProcessWriters::State::Unknown)
            return failed(u"cannot tell whether the game still writes to it: it belongs to user %1, whose programs "
                          "this user cannot look into; run Rankhold as %1"_s.arg(writers.owner));
        break;
    }
    }

    const QString &taken = staging.isEmpty() ? path : staging;
    if (!staging.isEmpty()) {
        const int error = platform::renameNoReplace(path, staging);
        if (error == EEXIST || error == ENOENT)
            return left();
        if (error != 0)
            return failed(u"cannot rename it to %1 (%2)"_s.arg(staging, platform::errorText(error)));
    }
    // From here on it carries a name the game does not know. Is it the file
    // that was read, and did nobody open it for writing before the rename?
    if (!platform::fileStamp(taken).isSameFileAs(read))
        return left();
    // A program that looked the file up by its old name just before the
    // rename opens it a moment later: given that moment, it shows, as a
    // broken lease (its open waits for the lease; checked at once, the
    // lease looked unbroken and the program then wrote into the file on its
    // way to the archive) or without one, as a writer of the file.
    platform::sleepMilliseconds(10);
    if (lease.state() == platform::ReadLease::State::Held)
        return lease.unbroken() ? Handover{Handover::Outcome::Taken, {}} : left();
    if (platform::writersFromProcesses(file.descriptor()).state != platform::ProcessWriters::State::None)
        return left();
    if (!holds(file, imported))
        return left();
    return {Handover::Outcome::Taken, {}};
}
