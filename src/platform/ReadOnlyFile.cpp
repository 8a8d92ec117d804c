#include "platform/ReadOnlyFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

ReadOnlyFile::ReadOnlyFile(const QString &path)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        m_status = errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::Unreadable;
        return;
    }
    struct stat st {
    };
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_status = S_ISREG(st.st_mode) ? Status::Unreadable : Status::NotRegular;
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    m_status = Status::Open;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileStamp ReadOnlyFile::stamp() const
{
    return m_fd >= 0 ? fileStamp(m_fd) : FileStamp{};
}

ReadOnlyFile::Read ReadOnlyFile::readAll(qint64 limit, QByteArray &bytes) const
{
    bytes.clear();
    if (m_fd < 0)
        return Read::Failed;
    struct stat st {
    };
    if (::fstat(m_fd, &st) != 0)
        return Read::Failed;
    if (st.st_size > limit)
        return Read::TooLarge;
    QByteArray out;
    out.reserve(qsizetype(st.st_size) + 1);
    constexpr qint64 kChunk = 1 << 20;
    qint64 offset = 0;
    for (;;) {
        if (offset > limit)
            return Read::TooLarge;
        // Up to one byte past the limit, which tells a file that grew beyond it.
        const qint64 want = limit - offset < kChunk ? limit - offset + 1 : kChunk;
        out.resize(qsizetype(offset + want));
        const ssize_t n = ::pread(m_fd, out.data() + offset, size_t(want), off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Read::Failed;
        }
        if (n == 0)
            break;
        offset += n;
    }
    out.resize(qsizetype(offset));
    bytes = std::move(out);
    return Read::Whole;
}

} // namespace platform
