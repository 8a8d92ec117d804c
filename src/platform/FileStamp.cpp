#include "platform/FileStamp.h"

#include <QFile>

#include <sys/stat.h>

namespace platform {

FileStamp fileStamp(const QString &path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
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

} // namespace platform
