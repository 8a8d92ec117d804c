#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Copies `from` to a new file `to` (never replacing one), flushed to disk.
bool copyNoReplace(const QByteArray &from, const QByteArray &to)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {
    };
    if (::fstat(in, &st) != 0) {
        ::close(in);
        return false;
    }
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    if (ok && ::fsync(out) != 0)
        ok = false;
    if (::close(out) != 0)
        ok = false;
    ::close(in);
    if (!ok)
        ::unlink(to.constData());
    return ok;
}

} // namespace

QString joinPath(const QString &folder, const QString &name)
{
    return folder + QDir::separator() + name;
}

QString currentDirectory()
{
    return QDir::currentPath();
}

bool setCurrentDirectory(const QString &folder)
{
    return QDir::setCurrent(folder);
}

bool fileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool directoryExists(const QString &path)
{
    return QFileInfo(path).isDir();
}

std::optional<qint64> fileSizeForUpdate(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return std::nullopt;
    return file.size();
}

bool removeFile(const QString &path)
{
    return ::unlink(native(path).constData()) == 0;
}

bool makeDirectory(const QString &path)
{
    return ::mkdir(native(path).constData(), 0777) == 0;
}

bool makePath(const QString &path)
{
    return QDir().mkpath(path);
}

bool moveFileNoReplace(const QString &from, const QString &to)
{
    const QByteArray src = native(from);
    const QByteArray dst = native(to);
    // link() + unlink() moves without ever replacing an existing name.
    if (::link(src.constData(), dst.constData()) == 0) {
        if (::unlink(src.constData()) == 0)
            return true;
        // The old name cannot go: drop the new one, so the file is never in two places.
        ::unlink(dst.constData());
        return false;
    }
    if (errno != EXDEV && errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    // Another file system (or one without hard links): copy, flush, unlink.
    if (!copyNoReplace(src, dst))
        return false;
    if (::unlink(src.constData()) != 0) {
        // The source could not be removed: keep it and drop the copy, so the
        // file is never in two places.
        ::unlink(dst.constData());
        return false;
    }
    return true;
}

bool replaceFile(const QString &from, const QString &to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0;
}

} // namespace platform
