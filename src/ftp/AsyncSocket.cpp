#include "ftp/AsyncSocket.h"

#include <QCoreApplication>
#include <QFile>
#include <QFuture>
#include <QScopeGuard>
#include <QtConcurrent/QtConcurrentRun>
#include <limits>

using namespace Qt::StringLiterals;
namespace net = platform::sockets;

namespace {

constexpr qint64 kPiece = 65536;

struct LookupResult {
    bool found = false;
    quint32 address = 0;
    int error = 0;
};

} // namespace

TAsyncSocket::TAsyncSocket()
{
    StatusReport(8, u"Create"_s);
    m_timer.setEnabled(false);
    m_timer.setOnTimer([this](TWaitTimer &) { timerFired(); });
    m_buffer.resize(kPiece + 1);
    StatusReport(8, u"Initializing Winsock"_s);
    createSocket(true);
    if (m_socket == net::kNoSocket)
        throw ESocketError(u"Initializaton of windows sockets failed"_s);
}

TAsyncSocket::~TAsyncSocket()
{
    StatusReport(8, u"Destroy"_s);
    TAsyncSocket::Abort();
    Cancel();
    m_destroying = true;
    m_timer.setEnabled(false);
    closeSocket();
}

void TAsyncSocket::closeSocket()
{
    if (m_tls) {
        // Best effort: the close notification if there is room for it at once.
        m_tls->shutdown();
        m_tls.reset();
    }
    if (m_socket != net::kNoSocket)
        net::closeSocket(m_socket);
    m_socket = net::kNoSocket;
}

void TAsyncSocket::createSocket(bool resetOnClose)
{
    m_socket = net::createTcp();
    // A fresh component resets its connection on close unless the owner
    // switches lingering off first (the data connection does, to finish a file).
    if (m_socket != net::kNoSocket && resetOnClose)
        net::setLinger(m_socket, true, 0);
}

void TAsyncSocket::processEvents()
{
    QCoreApplication::processEvents();
    if (OnWaitTurn)
        OnWaitTurn();
}

void TAsyncSocket::StatusReport(int level, const QString &text)
{
    if (ReportLevel < level || m_destroying)
        return;
    m_status = text;
    if (!OnStatus)
        return;
    try {
        OnStatus(*this, text);
    } catch (...) {
        // A status handler never ends the operation it reports on.
    }
}

QString TAsyncSocket::timeOutText() const
{
    return u"within %1 s"_s.arg(QString::number(TimeOut / 1000.0));
}

void TAsyncSocket::errorCheck(int code)
{
    m_lastError = code;
    if (code == kTlsFailed) {
        const QString why = u"TLS: "_s + (m_tls ? m_tls->failureText() : QString());
        throw ETlsError(why, why);
    }
    if (code == net::kWouldBlock || code <= 10000)
        return;
    const QString message = socketErrorMessage(code);
    StatusReport(8, u"Looking Up Error Message"_s + message);
    if (OnError)
        OnError(*this, code, message);
    throw ESocketError(message, message);
}

void TAsyncSocket::Cancel()
{
    StatusReport(8, u"Canceling"_s);
    m_cancelled = true;
}

void TAsyncSocket::Abort()
{
    StatusReport(8, u"Abort"_s);
    Cancel();
}

void TAsyncSocket::socketConnected()
{
    if (OnConnect)
        OnConnect(*this);
}

void TAsyncSocket::resolveHost()
{
    StatusReport(8, u"Resolve Host"_s);
    const QString name = Proxy.isEmpty() ? Host : Proxy;
    quint32 address = 0;
    if (net::parseDotted(name, &address)) {
        m_remoteAddress = address;
        return;
    }
    m_remoteAddress = 0;
    startTimeOut();
    m_eventArrived = false;
    // getaddrinfo blocks, so it runs on a worker and is waited for like any
    // other network event.
    QFuture<LookupResult> lookup = QtConcurrent::run([name] {
        LookupResult r;
        r.found = net::lookUpHost(name, &r.address, &r.error);
        return r;
    });
    while (!lookup.isFinished() && waitTurn(WantNothing)) {
    }
    stopTimeOut();
    const QString what = u"look up "_s + name.left(60);
    if (!lookup.isFinished())
        throwWaitEnded(what, {u"Host Lookup Timed Out"_s, u"Host Lookup Canceled"_s, false});
    const LookupResult result = lookup.result();
    if (!result.found) {
        m_lastError = result.error;
        throw ESocketError(u"Host Lookup Failed"_s, what + u": "_s + socketErrorMessage(result.error));
    }
    m_remoteAddress = result.address;
    if (OnHostResolved)
        OnHostResolved(*this);
}

void TAsyncSocket::Connect()
{
    StatusReport(8, u"Connecting"_s);
    m_cancelled = false;
    if (m_connected)
        throw ESocketError(u"Already connected"_s);

    for (int retries = 0;; ++retries) {
        try {
            resolveHost();
        } catch (const ESocketTimedOut &) {
            throw;
        } catch (const ESocketCanceled &) {
            throw;
        } catch (const ESocketError &) {
            // Not found: the handler below may correct the name.
        }
        if (m_remoteAddress != 0)
            break;
        if (retries > 0 || !OnInvalidHost)
            throw ESocketError(u"Null Remote Address"_s);
        bool handled = false;
        OnInvalidHost(handled);
        if (!handled)
            throw ESocketError(u"Null Remote Address"_s);
    }

    const quint16 port = quint16(Proxy.isEmpty() ? Port : ProxyPort);
    m_eventArrived = false;
    m_succeeded = true;
    if (!net::startConnect(m_socket, m_remoteAddress, port)) {
        const int code = net::lastError();
        if (code != net::kInProgress)
            errorCheck(code);
    }

    startTimeOut();
    bool going = true;
    while (going && !m_connected && m_succeeded) {
        int ready = 0;
        going = waitTurn(WantWrite, &ready);
        if (ready != 0) {
            const int code = net::connectResult(m_socket);
            m_succeeded = code == 0;
            if (m_succeeded) {
                m_connected = true;
                socketConnected();
            } else {
                m_lastError = code;
            }
        }
    }
    stopTimeOut();
    if (m_connected && m_succeeded) {
        m_cancelled = false;
        return;
    }
    // A socket whose connect failed or is still under way is not reused.
    m_connected = false;
    closeSocket();
    createSocket(true);
    const QString what = u"connect to %1:%2"_s.arg(net::dotted(m_remoteAddress)).arg(port);
    if (OnConnectionFailed)
        OnConnectionFailed(*this);
    if (!m_succeeded)
        throw ESocketError(u"Connection Failed"_s, what + u": "_s + socketErrorMessage(m_lastError));
    throwWaitEnded(what, {u"Connection Timed out"_s, u"Connection Canceled"_s, false});
}

void TAsyncSocket::Disconnect()
{
    StatusReport(8, u"Disconnecting"_s);
    Close();
}

void TAsyncSocket::Close()
{
    StatusReport(4, u"Request Close Socket"_s);
    m_connected = false;
    if (m_socket == net::kNoSocket)
        return;
    closeSocket();
    if (!m_destroying && OnDisconnect)
        OnDisconnect(*this);
    if (!m_destroying)
        createSocket(false);
}

void TAsyncSocket::peerClosed()
{
    // The close is seen only once nothing is left to read.
    if (m_connected)
        Close();
}

void TAsyncSocket::CheckConnection()
{
    StatusReport(8, u"Checking Connection"_s);
    if (m_connected)
        return;
    if (OnConnectionRequired)
        OnConnectionRequired(*this);
    throw ESocketError(u"Not Connected"_s, u"the connection is closed"_s);
}

bool TAsyncSocket::DataAvailable()
{
    StatusReport(8, u"Data Available"_s);
    char byte = 0;
    int error = 0;
    const qint64 n = receiveSome(&byte, 1, true, &error);
    if (n == 0)
        peerClosed();
    return n > 0;
}

bool TAsyncSocket::inputPending() const
{
    return m_socket != net::kNoSocket && net::waitReady(m_socket, true, false, 0) != 0;
}

void TAsyncSocket::ClearInput()
{
    StatusReport(8, u"Clearing Input"_s);
    int error = 0;
    receiveSome(m_buffer.data(), kPiece, false, &error);
}

void TAsyncSocket::sendBufferTimed(const char *data, qint64 size, bool countAndReport)
{
    startTimeOut();
    const auto stop = qScopeGuard([this] { stopTimeOut(); });
    sendBuffer(data, size, countAndReport);
}

void TAsyncSocket::throwIfStopped(const QString &abortedText, const QString &timedOutText)
{
    if (m_cancelled)
        throwWaitEnded({}, {timedOutText, abortedText});
}

void TAsyncSocket::sendBuffer(const char *data, qint64 size, bool countAndReport)
{
    qint64 done = 0;
    while (done < size && !m_cancelled) {
        int error = 0;
        const qint64 n = sendSome(data + done, size - done, &error);
        if (n > 0) {
            done += n;
            if (countAndReport) {
                m_bytesSent += quint32(n);
                if (OnPacketSent)
                    OnPacketSent(*this);
                // The progress shows and a Cancel is heard between pieces.
                waitTurn(WantNothing, nullptr, 0);
            }
        } else if (n == 0) {
            break;
        } else {
            errorCheck(error);
            // Would block: room is waited for, and a time-out or a Cancel
            // ends a stalled peer.
            waitTurn(transportWant(false));
        }
    }
}

void TAsyncSocket::Write(const QByteArray &text)
{
    StatusReport(8, u"Write"_s);
    QByteArray bytes = text.left(kPiece);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    StatusReport(4, u"Sending Buffer"_s);
    sendBufferTimed(bytes.constData(), bytes.size(), false);
    throwIfStopped(u"Socket send aborted"_s, u"Socket send timed out"_s);
}

void TAsyncSocket::sendNow(const QByteArray &bytes)
{
    int error = 0;
    if (m_socket != net::kNoSocket)
        sendSome(bytes.constData(), bytes.size(), &error);
}

void TAsyncSocket::WriteLn(const QByteArray &text)
{
    StatusReport(8, u"Writeln"_s);
    Write(text + "\r\n");
}

QByteArray TAsyncSocket::ReadLn()
{
    StatusReport(8, u"ReadLn"_s);
    startTimeOut();
    const auto stop = qScopeGuard([this] { stopTimeOut(); });
    return readLine(std::numeric_limits<qint64>::max());
}

QByteArray TAsyncSocket::readLine(qint64 limit)
{
    QByteArray line;
    for (bool going = !m_cancelled; going;) {
        int error = 0;
        const qint64 n = receiveSome(m_buffer.data(), kPiece, true, &error);
        if (n == 0) {
            peerClosed();
            return line;
        }
        if (n < 0) {
            m_lastError = error;
            if (error == net::kNotConnected)
                return line;
            errorCheck(error);
            going = waitTurn(transportWant(true));
            continue;
        }
        const qsizetype lf = QByteArrayView(m_buffer.constData(), n).indexOf('\n');
        // Take exactly what belongs to this line; the rest stays queued.
        const qint64 take = lf >= 0 ? lf + 1 : n;
        const qint64 got = receiveSome(m_buffer.data(), take, false, &error);
        if (got > 0)
            line.append(m_buffer.constData(), got);
        if ((lf >= 0 && got == take) || line.size() > limit)
            return line;
        going = waitTurn(WantNothing, nullptr, 0);
    }
    throwIfStopped(u"Socket readln aborted"_s, u"Socket readln timed out"_s);
    return line;
}

QByteArray TAsyncSocket::Read(int count)
{
    StatusReport(8, u"Read( "_s + QString::number(count) + u" )"_s);
    qint64 waiting = 0;
    const qint64 wanted = qMin<qint64>(qMax(count, 0), kPiece);
    int error = 0;
    for (;;) {
        waiting = receiveSome(m_buffer.data(), wanted > 0 ? wanted : kPiece, true, &error);
        if (waiting == 0) {
            peerClosed();
            return {};
        }
        if (waiting < 0) {
            errorCheck(error);
            waiting = 0;
        }
        if (wanted == 0 || waiting >= wanted || m_cancelled)
            break;
        if (!waitTurn(transportWant(true)))
            break;
    }
    throwIfStopped(u"Socket send aborted"_s, u"Socket send timed out"_s);
    const qint64 got = waiting > 0 ? receiveSome(m_buffer.data(), waiting, false, &error) : 0;
    return got > 0 ? QByteArray(m_buffer.constData(), got) : QByteArray();
}

void TAsyncSocket::SendFile(const QString &path)
{
    StatusReport(8, u"SendFile"_s);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RankholdError(u"Cannot open file \"%1\". %2"_s.arg(path, file.errorString()));
    while (!m_cancelled) {
        const qint64 n = file.read(m_buffer.data(), kPiece);
        if (n < 0)
            throw RankholdError(u"Read error on file \"%1\". %2"_s.arg(path, file.errorString()));
        if (n == 0)
            break;
        // Each piece gets the time-out, so a peer that stops taking data
        // cannot hold the transfer for ever.
        sendBufferTimed(m_buffer.constData(), n, true);
    }
    throwIfStopped(u"Socket send aborted"_s, u"Socket send timed out"_s);
}

void TAsyncSocket::Listen(bool acceptOnly)
{
    Q_UNUSED(acceptOnly); // readiness is polled; both kinds of wait look the same
    StatusReport(8, u"Listening"_s);
    if (!net::bindTo(m_socket, ListenAddress, quint16(Port)))
        errorCheck(net::lastError());
    m_eventArrived = false;
    if (!net::listenOn(m_socket, 1))
        errorCheck(net::lastError());
}

TAsyncSocket::Handle TAsyncSocket::Accept()
{
    StatusReport(4, u"Accepting"_s);
    m_succeeded = true;
    // A peer that never connects would otherwise hold the wait for ever.
    startTimeOut();
    const auto stop = qScopeGuard([this] { stopTimeOut(); });
    for (bool going = !m_cancelled; going;) {
        int ready = 0;
        going = waitTurn(WantRead, &ready);
        if (ready & net::Failed)
            throw ESocketError(u"Error creating Data Connection"_s,
                               u"no data connection: the listening socket failed"_s);
        if (ready == 0)
            continue;
        quint16 peerPort = 0;
        quint32 peer = 0;
        const Handle accepted = net::acceptFrom(m_socket, &peer, &peerPort);
        if (accepted == net::kNoSocket) {
            const int code = net::lastError();
            if (code != net::kWouldBlock && code != 10053 && code != 10054)
                throw ESocketError(u"Error creating Data Connection"_s,
                                   u"no data connection: "_s + socketErrorMessage(code));
        } else if (AcceptFrom != 0 && peer != AcceptFrom) {
            // Only the server may deliver the data; anybody else who
            // reached the port first is turned away.
            StatusReport(4, u"Refused connection from "_s + net::dotted(peer));
            net::closeSocket(accepted);
        } else {
            m_remoteAddress = peer;
            m_eventArrived = true;
            m_connected = true;
            return accepted;
        }
    }
    if (m_timedOut) {
        m_cancelled = false;
        throw ESocketTimedOut(u"Accepting Timed Out"_s, u"no data connection from the server "_s + timeOutText());
    }
    throwWaitEnded(u"waiting for the data connection"_s, {u"Accepting Timed Out"_s, u"Accepting Canceled"_s, false});
}

void TAsyncSocket::AdoptSocket(Handle socket)
{
    closeSocket();
    m_socket = socket;
    m_connected = true;
}

void TAsyncSocket::SetLinger(bool on)
{
    net::setLinger(m_socket, on, 0);
}

QByteArray TAsyncSocket::Transaction(const QByteArray &command)
{
    WriteLn(command);
    return ReadLn();
}

QString TAsyncSocket::LocalAddressText() const
{
    quint32 address = 0;
    quint16 port = 0;
    net::localAddress(m_socket, &address, &port);
    return net::dotted(address).replace(u'.', u',');
}

QString TAsyncSocket::LocalPortText() const
{
    quint32 address = 0;
    quint16 port = 0;
    net::localAddress(m_socket, &address, &port);
    return u",%1,%2"_s.arg(port >> 8).arg(port & 0xff);
}
