#include "platform/FileStamp.h"

#include <QFile>

#include <sys/stat.h>

namespace platform {

namespace {

FileStamp stampOf(const struct stat &st)
{
    constexpr qint64 kNsPerSecond = 1'000'000'000;
    return {
        .exists = true,
        .device = quint64(st.st_dev),
        .inode = quint64(st.st_ino),
        .size = qint64(st.st_size),
        .modifiedNs = qint64(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec,
        .changedNs = qint64(st.st_ctim.tv_sec) * kNsPerSecond + st.st_ctim.tv_nsec,
    };
}

} // namespace

FileStamp fileStamp(const QString &path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return stampOf(st);
}

FileStamp fileStamp(int descriptor)
{
    struct stat st {
    };
    if (::fstat(descriptor, &st) != 0)
        return {};
    return stampOf(st);
}

} // namespace platform
