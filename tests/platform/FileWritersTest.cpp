// Who else writes a file: the read lease and the descriptor tables, against a
// real second process that holds the file open for writing.
#include "platform/FileWriters.h"
#include "platform/ReadOnlyFile.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class FileWriters : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        writeFile(file, "block\r\n");
    }
    void TearDown() override
    {
        if (holder.state() != QProcess::NotRunning) {
            holder.kill();
            holder.waitForFinished();
        }
    }

    // A shell that opens the file with `redirection` ("3>>" appends) and waits.
    void holdOpen(const QString &redirection)
    {
        holder.start(u"/bin/sh"_s,
                     {u"-c"_s, u"exec 3%1\"$1\"; echo open; exec sleep 60"_s.arg(redirection), u"sh"_s, file});
        ASSERT_TRUE(holder.waitForReadyRead(10000));
    }
    void stopHolding()
    {
        holder.kill();
        ASSERT_TRUE(holder.waitForFinished());
    }

    QTemporaryDir dir;
    QString file = dir.filePath(u"scores.txt"_s);
    QProcess holder;
};

} // namespace

TEST_F(FileWriters, FileHeldOpenForWritingIsSeenByBothChecks)
{
    struct Case {
        const char *redirection;
        bool writes;
    };
    for (const Case &c : {Case{">>", true}, Case{"<>", true}, Case{"<", false}}) {
        SCOPED_TRACE(c.redirection);
        holdOpen(QString::fromLatin1(c.redirection));
        const platform::ReadOnlyFile read(file);
        ASSERT_TRUE(read.isOpen());
        {
            platform::ReadLease lease(read.descriptor());
            EXPECT_EQ(lease.state(),
                      c.writes ? platform::ReadLease::State::FileWritten : platform::ReadLease::State::Held);
        }
        EXPECT_EQ(platform::writersFromProcesses(read.descriptor()).state,
                  c.writes ? platform::ProcessWriters::State::Some : platform::ProcessWriters::State::None);
        stopHolding();
    }
    const platform::ReadOnlyFile read(file);
    EXPECT_EQ(platform::ReadLease(read.descriptor()).state(), platform::ReadLease::State::Held);
    EXPECT_EQ(platform::writersFromProcesses(read.descriptor()).state, platform::ProcessWriters::State::None);
}

TEST_F(FileWriters, WriterArrivingUnderALeaseBreaksItAndWaits)
{
    const platform::ReadOnlyFile read(file);
    platform::ReadLease lease(read.descriptor());
    ASSERT_EQ(lease.state(), platform::ReadLease::State::Held);
    EXPECT_TRUE(lease.unbroken());

    // Readers do not disturb it; a writer does, and waits for its release.
    QProcess reader;
    reader.start(u"/bin/cat"_s, {file});
    ASSERT_TRUE(reader.waitForFinished(10000));
    EXPECT_TRUE(lease.unbroken());

    QProcess writer;
    writer.start(u"/bin/sh"_s, {u"-c"_s, u"echo more >> \"$1\""_s, u"sh"_s, file});
    ASSERT_TRUE(writer.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (lease.unbroken() && clock.elapsed() < 10000)
        QThread::msleep(5);
    EXPECT_FALSE(lease.unbroken());
    EXPECT_FALSE(writer.waitForFinished(200)) << "the writer went on before the lease was released";
    EXPECT_EQ(readFile(file), QByteArray("block\r\n"));
    lease.release();
    ASSERT_TRUE(writer.waitForFinished(10000));
    EXPECT_EQ(readFile(file), QByteArray("block\r\nmore\n"));
}

TEST_F(FileWriters, AnotherUsersFileCannotBeVouchedFor)
{
    // A file of root's, looked at by an unprivileged program: no lease, and
    // root's programs' descriptor tables are closed to it.
    const auto look = [] {
        const platform::ReadOnlyFile read(u"/etc/passwd"_s);
        if (!read.isOpen())
            return 1;
        if (platform::ReadLease(read.descriptor()).state() != platform::ReadLease::State::Unavailable)
            return 2;
        const platform::ProcessWriters writers = platform::writersFromProcesses(read.descriptor());
        if (writers.state != platform::ProcessWriters::State::Unknown)
            return 3;
        return writers.owner == u"root"_s ? 0 : 4;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(look(), 0);
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As nobody; QProcess-free, so the child only runs the look itself.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(9);
        ::_exit(look());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
