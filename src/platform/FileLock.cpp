#include "platform/FileLock.h"

#include "platform/FileStamp.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

// SQLite locks the bytes from 1 GiB up to 1 GiB + 512 of the database file;
// this byte lies well past them.
constexpr off_t kLockByte = 0x40010000;

bool tryLock(int fd, FileLock::Mode mode)
{
    struct flock lock {
    };
    lock.l_type = mode == FileLock::Mode::Shared ? F_RDLCK : F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockByte;
    lock.l_len = 1;
    // An open-file-description lock: closing another descriptor of the same
    // file (as the engine does) does not drop it, and two descriptions in one
    // program conflict like two programs.
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

} // namespace

FileLock::~FileLock()
{
    release();
}

FileLock::FileLock(FileLock &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileLock FileLock::acquire(const QString &path, Mode mode, int waitMs, int *error)
{
    const QByteArray name = QFile::encodeName(path);
    QElapsedTimer clock;
    clock.start();
    int failure = 0;
    for (;;) {
        const int fd =
            ::open(name.constData(), (mode == Mode::Shared ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            failure = errno;
            break;
        }
        FileLock lock;
        lock.m_fd = fd;
        if (tryLock(fd, mode)) {
            // Replaced while this program waited: lock the file that is there now.
            if (!lock.isReplacedAt(path)) {
                if (error)
                    *error = 0;
                return lock;
            }
            continue;
        }
        failure = errno == EAGAIN || errno == EACCES ? EWOULDBLOCK : errno;
        if (failure != EWOULDBLOCK || clock.elapsed() >= waitMs)
            break;
        ::usleep(20000);
    }
    if (error)
        *error = failure;
    return {};
}

bool FileLock::isReplacedAt(const QString &path) const
{
    return m_fd >= 0 && !fileStamp(path).isSameFileAs(fileStamp(m_fd));
}

void FileLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace platform
