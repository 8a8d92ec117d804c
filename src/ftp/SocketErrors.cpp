#include "ftp/SocketErrors.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

const QHash<int, QString> &errorTexts()
{
    static const QHash<int, QString> texts{
        {10004, u"Interrupted system call"_s},
        {10009, u"Bad file number"_s},
        {10013, u"Permission denied"_s},
        {10014, u"Bad address"_s},
        {10022, u"Invalid argument"_s},
        {10024, u"Too many open files"_s},
        {10035, u"Operation would block"_s},
        {10036, u"Operation now in progress"_s},
        {10037, u"Operation already in progress"_s},
        {10038, u"Socket operation on non-socket"_s},
        {10039, u"Destination address required"_s},
        {10040, u"Message too long"_s},
        {10041, u"Wrong protocol type for socket"_s},
        {10042, u"Bad protocol option"_s},
        {10043, u"Protocol not supported"_s},
        {10044, u"Socket type not supported"_s},
        {10045, u"Operation not supported on socket"_s},
        {10046, u"Protocol family not supported"_s},
        {10047, u"Address family not supported by protocol family"_s},
        {10048, u"Address already in use"_s},
        {10049, u"Can't assign requested address"_s},
        {10050, u"Network is down"_s},
        {10051, u"Network is unreachable"_s},
        {10052, u"Network dropped connection or reset"_s},
        {10053, u"Software caused connection abort"_s},
        {10054, u"Connection reset by peer"_s},
        {10055, u"No buffer space available"_s},
        {10056, u"Socket is already connected"_s},
        {10057, u"Socket is not connected"_s},
        {10058, u"Can't send after socket shutdown"_s},
        {10059, u"Too many references, can't splice"_s},
        {10060, u"Connection timed out"_s},
        {10061, u"Connection refused"_s},
        {10062, u"Too many levels of symbolic links"_s},
        {10063, u"File name too long"_s},
        {10064, u"Host is down"_s},
        {10065, u"No route to Host"_s},
        {10066, u"Directory not empty"_s},
        {10067, u"Too many processes"_s},
        {10068, u"Too many users"_s},
        {10069, u"Disc quota exceeded"_s},
        {10070, u"Stale NFS file handle"_s},
        {10071, u"Too many levels of remote in path"_s},
        {10091, u"Network subsystem is unavailable"_s},
        {10092, u"Incompatible version of WINSOCK.DLL"_s},
        {10093, u"Successful WSAStartup not yet performed"_s},
        {11001, u"Host not found"_s},
        {11002, u"Non-Authoritative Host not found"_s},
        {11003, u"Non-Recoverable error: FORMERR, REFUSED, NOTIMP"_s},
        {11004, u"Valid name, no data record of requested type"_s},
    };
    return texts;
}

} // namespace

QString socketErrorMessage(int code)
{
    const auto it = errorTexts().constFind(code);
    if (it == errorTexts().constEnd())
        return u"Unknown Error No. "_s + QString::number(code);
    return QString::number(code) + u':' + *it;
}

QString causeOf(const RankholdError &error)
{
    if (const auto *network = dynamic_cast<const ENetworkError *>(&error); network && !network->cause().isEmpty())
        return network->cause();
    return error.message();
}
