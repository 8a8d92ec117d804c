#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::sockets {

namespace {

sockaddr_in makeAddress(quint32 address, quint16 port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

bool makeNonBlocking(Handle socket)
{
    const int flags = ::fcntl(socket, F_GETFL, 0);
    return flags >= 0 && ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

int translateErrno(int e)
{
    switch (e) {
    case 0:
        return 0;
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EACCES:
    case EPERM:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
    case ENFILE:
        return 10024;
    case EAGAIN:
        return kWouldBlock; // EWOULDBLOCK is the same number here
    case EINPROGRESS:
        return kInProgress;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case ENOBUFS:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return kNotConnected;
    case ESHUTDOWN:
    case EPIPE:
        return 10058;
    case ETOOMANYREFS:
        return 10059;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case ELOOP:
        return 10062;
    case ENAMETOOLONG:
        return 10063;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return 10065;
    case ENOTEMPTY:
        return 10066;
    case EUSERS:
        return 10068;
    case EDQUOT:
        return 10069;
    case ESTALE:
        return 10070;
    case EREMOTE:
        return 10071;
    default:
        return 20000 + e;
    }
}

int lastError()
{
    return translateErrno(errno);
}

Handle createTcp()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    return s < 0 ? kNoSocket : s;
}

void closeSocket(Handle socket)
{
    if (socket != kNoSocket)
        ::close(socket);
}

bool shutdownBoth(Handle socket)
{
    return ::shutdown(socket, SHUT_RDWR) == 0;
}

quint64 socketIdentity(Handle socket)
{
    struct stat info {
    };
    if (::fstat(socket, &info) != 0 || !S_ISSOCK(info.st_mode))
        return 0;
    return quint64(info.st_ino);
}

bool shutdownSend(Handle socket)
{
    return ::shutdown(socket, SHUT_WR) == 0;
}

bool setLinger(Handle socket, bool on, int seconds)
{
    linger l{};
    l.l_onoff = on ? 1 : 0;
    l.l_linger = seconds;
    return ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &l, sizeof l) == 0;
}

bool startConnect(Handle socket, quint32 address, quint16 port)
{
    const sockaddr_in sa = makeAddress(address, port);
    return ::connect(socket, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) == 0;
}

int connectResult(Handle socket)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return lastError();
    return translateErrno(error);
}

qint64 send(Handle socket, const char *data, qint64 size)
{
    return ::send(socket, data, size_t(size), MSG_NOSIGNAL);
}

qint64 receive(Handle socket, char *buffer, qint64 size, bool peek)
{
    return ::recv(socket, buffer, size_t(size), peek ? MSG_PEEK : 0);
}

int waitReady(Handle socket, bool forRead, bool forWrite, int milliseconds)
{
    pollfd p{};
    p.fd = socket;
    p.events = short((forRead ? POLLIN : 0) | (forWrite ? POLLOUT : 0));
    if (::poll(&p, 1, milliseconds) <= 0)
        return 0;
    int bits = 0;
    if (p.revents & POLLIN)
        bits |= Readable;
    if (p.revents & POLLOUT)
        bits |= Writable;
    if (p.revents & (POLLHUP | POLLRDHUP))
        bits |= Hangup;
    if (p.revents & (POLLERR | POLLNVAL))
        bits |= Failed;
    return bits;
}

bool bindTo(Handle socket, quint32 address, quint16 port)
{
    const sockaddr_in sa = makeAddress(address, port);
    return ::bind(socket, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) == 0;
}

bool listenOn(Handle socket, int backlog)
{
    return ::listen(socket, backlog) == 0;
}

Handle acceptFrom(Handle socket, quint32 *peerAddress, quint16 *peerPort)
{
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    const int s = ::accept4(socket, reinterpret_cast<sockaddr *>(&sa), &length, SOCK_CLOEXEC);
    if (s < 0)
        return kNoSocket;
    if (!makeNonBlocking(s)) {
        const int saved = errno;
        ::close(s);
        errno = saved;
        return kNoSocket;
    }
    *peerAddress = ntohl(sa.sin_addr.s_addr);
    *peerPort = ntohs(sa.sin_port);
    return s;
}

bool localAddress(Handle socket, quint32 *address, quint16 *port)
{
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(socket, reinterpret_cast<sockaddr *>(&sa), &length) != 0)
        return false;
    *address = ntohl(sa.sin_addr.s_addr);
    *port = ntohs(sa.sin_port);
    return true;
}

bool parseDotted(const QString &text, quint32 *address)
{
    in_addr a{};
    if (::inet_pton(AF_INET, text.toLatin1().constData(), &a) != 1)
        return false;
    *address = ntohl(a.s_addr);
    return true;
}

QString dotted(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

bool lookUpHost(const QString &name, quint32 *address, int *error)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *result = nullptr;
    const int rc = ::getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &result);
    if (rc != 0 || !result) {
        switch (rc) {
        case EAI_AGAIN:
            *error = 11002;
            break;
        case EAI_FAIL:
            *error = 11003;
            break;
#ifdef EAI_NODATA
        case EAI_NODATA:
            *error = 11004;
            break;
#endif
        default:
            *error = 11001;
            break;
        }
        if (result)
            ::freeaddrinfo(result);
        return false;
    }
    *address = ntohl(reinterpret_cast<const sockaddr_in *>(result->ai_addr)->sin_addr.s_addr);
    *error = 0;
    ::freeaddrinfo(result);
    return true;
}

} // namespace platform::sockets
