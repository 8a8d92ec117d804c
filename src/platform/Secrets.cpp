#include "platform/Secrets.h"

#include <QFile>
#include <sys/prctl.h>
#include <sys/stat.h>

namespace platform {

bool forbidCoreDumps()
{
    return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
}

bool coreDumpsForbidden()
{
    return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0;
}

SecretFileAccess secretFileAccess(const QString &path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return SecretFileAccess::Unreadable;
    return (st.st_mode & (S_IRGRP | S_IROTH)) != 0 ? SecretFileAccess::OthersMayRead : SecretFileAccess::OwnerOnly;
}

} // namespace platform
