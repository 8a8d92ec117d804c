#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The raw socket calls the socket component needs, and nothing else. All
// sockets are IPv4 TCP, non-blocking, and never raise SIGPIPE. Error numbers
// come back in the Winsock numbering that the component's messages use
// (ECONNREFUSED reads 10061), so a Windows seam could hand them over as they are.
namespace platform::sockets {

using Handle = int;
inline constexpr Handle kNoSocket = -1;

// Error numbers that the component itself tests for.
inline constexpr int kWouldBlock = 10035;
inline constexpr int kInProgress = 10036;
inline constexpr int kNotConnected = 10057;

// The last socket error of this thread, translated. An errno with no Winsock
// counterpart becomes 20000 + errno, which has no text of its own.
int lastError();
// Maps one errno value as lastError() does.
int translateErrno(int errnoValue);

// A new non-blocking TCP socket, or kNoSocket.
Handle createTcp();
void closeSocket(Handle socket);
// No more data from this side: the peer reads the end of the stream.
bool shutdownSend(Handle socket);
// Both directions ended at once, from any thread: a call that another
// thread has blocked on the socket returns with an error.
bool shutdownBoth(Handle socket);
// The kernel's own record of a connection's traffic. The byte counts grow
// only with data the peer took or sent; probes of a full window and
// keep-alives leave them alone.
struct Traffic {
    quint64 identity = 0; // changes when the number is closed and used again
    bool counted = false; // the kernel gives the byte counts
    quint64 bytesAcked = 0;
    quint64 bytesReceived = 0;
    qint64 sinceSentMs = 0; // since data was last sent and received
    qint64 sinceReceivedMs = 0;
};
// False when it cannot tell (not a TCP socket).
bool traffic(Handle socket, Traffic *out);
// The identity traffic() gives, alone; 0 when `socket` is not open.
quint64 socketIdentity(Handle socket);
// Lingering on with `seconds` 0 makes close() reset the connection.
bool setLinger(Handle socket, bool on, int seconds);

// Starts a connection; false with lastError() kInProgress while it is under way.
bool startConnect(Handle socket, quint32 address, quint16 port);
// The outcome of a finished connect: 0 or the translated error.
int connectResult(Handle socket);

// Bytes sent or received, or -1 with lastError(); receive returns 0 when the
// peer has closed.
qint64 send(Handle socket, const char *data, qint64 size);
qint64 receive(Handle socket, char *buffer, qint64 size, bool peek);

enum Readiness { Readable = 1, Writable = 2, Hangup = 4, Failed = 8 };
// Waits at most `milliseconds` for the wanted readiness; returns the Readiness
// bits that hold (0 when none did in time).
int waitReady(Handle socket, bool forRead, bool forWrite, int milliseconds);

bool bindTo(Handle socket, quint32 address, quint16 port);
bool listenOn(Handle socket, int backlog);
// The accepted connection (non-blocking) and its peer, or kNoSocket.
Handle acceptFrom(Handle socket, quint32 *peerAddress, quint16 *peerPort);
bool localAddress(Handle socket, quint32 *address, quint16 *port);

// A dotted IPv4 address (four decimal parts), in host byte order.
bool parseDotted(const QString &text, quint32 *address);
QString dotted(quint32 address);

// Blocking name look-up of the first IPv4 address; runs off the GUI thread.
// `error` gets the Winsock look-up code (11001 "Host not found", ...).
bool lookUpHost(const QString &name, quint32 *address, int *error);

} // namespace platform::sockets
