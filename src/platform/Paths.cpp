#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

bool writeAll(int fd, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t w = ::write(fd, data + done, size_t(size - done));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += w;
    }
    return true;
}

// A name beside `to` that nothing else uses.
QByteArray temporaryBeside(const QByteArray &to)
{
    static int counter = 0;
    const qsizetype slash = to.lastIndexOf('/');
    return to.left(slash + 1) + ".rankhold-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter) +
           ".tmp";
}

// Gives the flushed temporary file its final name without replacing
// anything, then drops the temporary name: 0 or the error number.
int linkIntoPlace(const QByteArray &temporary, const QByteArray &to)
{
    int result = ::link(temporary.constData(), to.constData()) == 0 ? 0 : errno;
    if (result == EPERM || result == EOPNOTSUPP || result == ENOSYS) {
        // A file system without hard links (FAT): a rename that refuses to replace.
        if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        result = errno;
    }
    ::unlink(temporary.constData());
    return result;
}

// Copies `from` to a new file `to` (never replacing one), flushed to disk
// under a temporary name first: 0 or the error number.
int copyNoReplace(const QByteArray &from, const QByteArray &to)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    struct stat st {
    };
    if (::fstat(in, &st) != 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    const QByteArray temporary = temporaryBeside(to);
    const int out = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (!writeAll(out, buffer, n)) {
            error = errno;
            break;
        }
    }
    if (error == 0 && ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && error == 0)
        error = errno;
    ::close(in);
    if (error != 0) {
        ::unlink(temporary.constData());
        return error;
    }
    return linkIntoPlace(temporary, to);
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

QStringList fileNames(const QString &folder)
{
    QStringList names;
    DIR *dir = ::opendir(native(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {
            };
            isFolder = ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (!isFolder)
            names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

bool makeDirectory(const QString &path)
{
    return ::mkdir(native(path).constData(), 0777) == 0;
}

bool makePath(const QString &path)
{
    return QDir().mkpath(path);
}

bool moveFileNoReplace(const QString &from, const QString &to, int *error)
{
    const QByteArray src = native(from);
    const QByteArray dst = native(to);
    int failure = renameNoReplace(from, to);
    if (failure == EXDEV || failure == EPERM || failure == EOPNOTSUPP || failure == ENOSYS) {
        // Another file system (or one without hard links): copy, flush, unlink.
        failure = copyNoReplace(src, dst);
        if (failure == 0 && ::unlink(src.constData()) != 0) {
            // The source could not be removed: keep it and drop the copy, so
            // the file is never in two places.
            failure = errno;
            ::unlink(dst.constData());
        }
    }
    if (error)
        *error = failure;
    return failure == 0;
}

int renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray src = native(from);
    const QByteArray dst = native(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: link() + unlink() never replaces either.
    if (::link(src.constData(), dst.constData()) != 0)
        return errno;
    if (::unlink(src.constData()) != 0) {
        // The old name cannot go: drop the new one, so the file is never in two places.
        const int error = errno;
        ::unlink(dst.constData());
        return error;
    }
    return 0;
}

int writeNewFile(const QString &path, const QByteArray &bytes)
{
    const QByteArray to = native(path);
    const QByteArray temporary = temporaryBeside(to);
    const int out = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0)
        return errno;
    int error = 0;
    if (!writeAll(out, bytes.constData(), bytes.size()) || ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return error;
    }
    return linkIntoPlace(temporary, to);
}

bool replaceFile(const QString &from, const QString &to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0;
}

int replaceFileWith(const QString &path, const QString &temporary, const QByteArray &bytes)
{
    const QByteArray from = native(temporary);
    const int out = ::open(from.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0)
        return errno;
    int error = writeAll(out, bytes.constData(), bytes.size()) ? 0 : errno;
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(from.constData(), native(path).constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(from.constData());
    return error;
}

int createFileWith(const QString &path, const QByteArray &bytes)
{
    const QByteArray to = native(path);
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0)
        return errno;
    int error = writeAll(out, bytes.constData(), bytes.size()) ? 0 : errno;
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(to.constData());
    return error;
}

std::optional<QByteArray> readWholeFile(const QString &path, std::optional<qint64> size)
{
    const int in = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return std::nullopt;
    std::optional<QByteArray> result;
    struct stat info {
    };
    if (::fstat(in, &info) == 0 && S_ISREG(info.st_mode) && (!size || *size == info.st_size)) {
        // Read to the end, not to the size seen: the file may be growing.
        QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
        qsizetype done = 0;
        for (;;) {
            if (done == bytes.size())
                bytes.resize(bytes.size() * 2);
            const ssize_t r = ::read(in, bytes.data() + done, size_t(bytes.size() - done));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0) {
                if (r == 0) {
                    bytes.truncate(done);
                    result = std::move(bytes);
                }
                break;
            }
            done += r;
        }
    }
    ::close(in);
    return result;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(::strerror(error));
}

} // namespace platform
