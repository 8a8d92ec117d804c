#include "platform/ThreadWaits.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <poll.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform {

long currentThreadId()
{
    return long(::syscall(SYS_gettid));
}

std::optional<bool> threadPollsSocket(long thread, int socket)
{
    // "NR arg1 arg2 ..." in hexadecimal after the decimal number, or "running".
    QFile file(QStringLiteral("/proc/self/task/%1/syscall").arg(thread));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> fields = file.readAll().trimmed().split(' ');
    bool ok = false;
    const long number = fields.value(0).toLong(&ok);
    if (!ok)
        return false; // running, not blocked
#ifdef SYS_poll
    const bool polls = number == SYS_poll || number == SYS_ppoll;
#else
    const bool polls = number == SYS_ppoll;
#endif
    if (!polls || fields.size() < 3)
        return false;
    bool okFds = false, okCount = false;
    const quint64 address = fields.at(1).toULongLong(&okFds, 16);
    const quint64 count = fields.at(2).toULongLong(&okCount, 16);
    if (!okFds || !okCount || count == 0 || count > 64)
        return false;
    // The thread's own array, read so that an address gone stale fails
    // instead of faulting.
    pollfd waited[64];
    const iovec local{waited, size_t(count) * sizeof(pollfd)};
    const iovec remote{reinterpret_cast<void *>(address), size_t(count) * sizeof(pollfd)};
    if (::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0) != ssize_t(local.iov_len))
        return std::nullopt;
    for (quint64 i = 0; i < count; ++i) {
        if (waited[i].fd == socket)
            return true;
    }
    return false;
}

} // namespace platform
