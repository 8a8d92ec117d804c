#include "platform/FileWriters.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

ReadLease::ReadLease(int descriptor) : m_fd(descriptor)
{
    // A broken lease is announced by a signal, SIGIO unless told otherwise,
    // which would end the program. SIGURG is ignored unless a program asks
    // for it: the break is read from F_GETLEASE instead.
    if (::fcntl(m_fd, F_SETSIG, SIGURG) != 0)
        return;
    if (::fcntl(m_fd, F_SETLEASE, F_RDLCK) == 0)
        m_state = State::Held;
    else if (errno == EAGAIN)
        m_state = State::FileWritten;
}

ReadLease::~ReadLease()
{
    release();
}

bool ReadLease::unbroken() const
{
    // A lease being broken reports the type it is being broken to.
    return m_state == State::Held && ::fcntl(m_fd, F_GETLEASE) == F_RDLCK;
}

void ReadLease::release()
{
    if (m_state == State::Held)
        ::fcntl(m_fd, F_SETLEASE, F_UNLCK);
    m_state = State::Unavailable;
}

namespace {

QString userName(uid_t uid)
{
    struct passwd entry {
    };
    struct passwd *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

QByteArray readSmallFile(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

// Whether the process runs as `uid` (any of the ids on the "Uid:" line of
// /proc/PID/status) and may hold files: a zombie has closed them all, though
// its descriptor table reads as closed to everyone but root.
bool mayHoldFilesAs(const QByteArray &process, uid_t uid)
{
    const QByteArray status = readSmallFile(process + "/status");
    const qsizetype state = status.indexOf("\nState:");
    if (state >= 0) {
        const QByteArray code = status.mid(state + 8, 4).trimmed().left(1);
        if (code == "Z" || code == "X")
            return false;
    }
    const qsizetype at = status.indexOf("\nUid:");
    if (at < 0)
        return false;
    const qsizetype end = status.indexOf('\n', at + 1);
    for (const QByteArray &field : status.mid(at + 5, end - at - 5).simplified().split(' ')) {
        bool ok = false;
        if (field.toUInt(&ok) == uid && ok)
            return true;
    }
    return false;
}

// The access mode of a descriptor from its "flags:" line (octal) in fdinfo.
bool openForWriting(const QByteArray &process, const char *fd)
{
    const QByteArray info = readSmallFile(process + "/fdinfo/" + fd);
    const qsizetype at = info.indexOf("flags:");
    if (at < 0)
        return false;
    bool ok = false;
    const uint flags = info.mid(at + 6, info.indexOf('\n', at) - at - 6).trimmed().toUInt(&ok, 8);
    return ok && (flags & O_ACCMODE) != O_RDONLY;
}

enum class Table { Seen, Unseen, Gone };

// Whether the process has a descriptor other than `own` open for writing on the file.
Table scanProcess(const QByteArray &process, const struct stat &file, int own, bool &writes)
{
    DIR *fds = ::opendir((process + "/fd").constData());
    if (!fds)
        return errno == ENOENT ? Table::Gone : Table::Unseen;
    const bool self = process == "/proc/self";
    while (const dirent *entry = ::readdir(fds)) {
        if (entry->d_name[0] == '.')
            continue;
        if (self && QByteArray(entry->d_name).toInt() == own)
            continue;
        struct stat st {
        };
        const QByteArray link = process + "/fd/" + entry->d_name;
        if (::stat(link.constData(), &st) != 0 || st.st_dev != file.st_dev || st.st_ino != file.st_ino)
            continue;
        if (openForWriting(process, entry->d_name)) {
            writes = true;
            break;
        }
    }
    ::closedir(fds);
    return Table::Seen;
}

} // namespace

ProcessWriters writersFromProcesses(int descriptor)
{
    ProcessWriters result;
    struct stat file {
    };
    if (::fstat(descriptor, &file) != 0) {
        result.state = ProcessWriters::State::Unknown;
        return result;
    }
    result.owner = userName(file.st_uid);
    DIR *proc = ::opendir("/proc");
    if (!proc) {
        result.state = ProcessWriters::State::Unknown;
        return result;
    }
    const QByteArray selfPid = QByteArray::number(::getpid());
    while (const dirent *entry = ::readdir(proc)) {
        const QByteArray name(entry->d_name);
        bool isPid = false;
        name.toInt(&isPid);
        if (!isPid)
            continue;
        const QByteArray process = name == selfPid ? QByteArray("/proc/self") : "/proc/" + name;
        bool writes = false;
        const Table table = scanProcess(process, file, descriptor, writes);
        if (writes) {
            result.state = ProcessWriters::State::Some;
            break;
        }
        if (table == Table::Unseen && mayHoldFilesAs(process, file.st_uid))
            result.state = ProcessWriters::State::Unknown;
    }
    ::closedir(proc);
    return result;
}

} // namespace platform
