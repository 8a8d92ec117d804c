// The byte transport of TAsyncSocket: plain socket calls, or TLS records
// through platform::tls once StartTls has run. Both are non-blocking; a step
// that must wait says so as "would block" and the waits poll for it.
#include "ftp/AsyncSocket.h"

#include <QFuture>
#include <QScopeGuard>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;
namespace net = platform::sockets;
namespace tls = platform::tls;

int TAsyncSocket::tlsError(tls::Step step)
{
    m_tlsWant = step;
    switch (step) {
    case tls::Step::WantRead:
    case tls::Step::WantWrite:
        return net::kWouldBlock;
    case tls::Step::Failed:
        return m_tls->socketError() != 0 ? m_tls->socketError() : kTlsFailed;
    default:
        return 0;
    }
}

qint64 TAsyncSocket::receiveSome(char *buffer, qint64 size, bool peek, int *error)
{
    if (!m_tls) {
        const qint64 n = net::receive(m_socket, buffer, size, peek);
        *error = n < 0 ? net::lastError() : 0;
        return n;
    }
    tls::Step step = tls::Step::Done;
    const qint64 n = m_tls->read(buffer, size, peek, &step);
    if (n > 0 || step == tls::Step::Closed) {
        *error = 0;
        return n;
    }
    *error = tlsError(step);
    return -1;
}

qint64 TAsyncSocket::sendSome(const char *data, qint64 size, int *error)
{
    if (!m_tls) {
        const qint64 n = net::send(m_socket, data, size);
        *error = n < 0 ? net::lastError() : 0;
        return n;
    }
    tls::Step step = tls::Step::Done;
    const qint64 n = m_tls->write(data, size, &step);
    if (n > 0) {
        *error = 0;
        return n;
    }
    // A closed TLS stream takes no more data, as a shut-down socket.
    *error = step == tls::Step::Closed ? 10058 : tlsError(step);
    return -1;
}

int TAsyncSocket::transportWant(bool forRead) const
{
    if (m_tls && m_tlsWant == tls::Step::WantRead)
        forRead = true;
    else if (m_tls && m_tlsWant == tls::Step::WantWrite)
        forRead = false;
    return forRead ? WantRead : WantWrite;
}

std::shared_ptr<tls::Context> TAsyncSocket::makeContext(QString *error)
{
    // Reading the system's trusted authorities takes a while: a worker does
    // it, waited for like the name look-up.
    struct Made {
        std::shared_ptr<tls::Context> context;
        QString error;
    };
    const TimedWait timed(*this);
    QFuture<Made> making = QtConcurrent::run([] {
        Made made;
        made.context = tls::Context::createOnWorker(&made.error);
        return made;
    });
    while (!making.isFinished() && waitTurn(WantNothing)) {
    }
    if (!making.isFinished()) {
        // The worker finishes on its own; its result is dropped.
        m_cancelled = false;
        *error = m_timedOut ? u"no TLS context "_s + timeOutText() : u"canceled"_s;
        return nullptr;
    }
    const Made made = making.result();
    *error = made.error;
    return made.context;
}

void TAsyncSocket::StartTls(const QString &hostName, const TAsyncSocket *resumeFrom)
{
    StatusReport(8, u"Starting TLS"_s);
    QString error;
    m_cancelled = false;
    if (resumeFrom && resumeFrom->m_tlsContext)
        m_tlsContext = resumeFrom->m_tlsContext;
    else
        m_tlsContext = makeContext(&error);
    if (m_tlsContext)
        m_tls = tls::Session::start(m_tlsContext, m_socket, hostName, resumeFrom ? resumeFrom->m_tls.get() : nullptr,
                                    &error);
    if (!m_tls)
        throw ETlsError(u"TLS: "_s + error, u"TLS: "_s + error);
    const TimedWait timed(*this);
    for (;;) {
        const tls::Step step = m_tls->handshake();
        if (step == tls::Step::Done)
            return;
        if (step == tls::Step::Closed)
            throw ETlsError(u"TLS handshake failed"_s, u"TLS handshake: the server closed the connection"_s);
        const int code = tlsError(step);
        if (code != net::kWouldBlock) {
            const QString why =
                u"TLS handshake: "_s + (code == kTlsFailed ? m_tls->failureText() : socketErrorMessage(code));
            throw ETlsError(why, why);
        }
        if (!waitTurn(transportWant(true)))
            throwWaitEnded(u"TLS handshake"_s, {u"TLS handshake timed out"_s, u"TLS handshake aborted"_s});
    }
}

void TAsyncSocket::FinishTls()
{
    if (!m_tls)
        return;
    const TimedWait timed(*this);
    const WaitTexts texts{u"Socket send timed out"_s, u"Socket send aborted"_s, true, u"the peer took no data"_s};
    for (;;) {
        const tls::Step step = m_tls->shutdown();
        if (step != tls::Step::WantRead && step != tls::Step::WantWrite)
            break;
        tlsError(step);
        if (!waitTurn(transportWant(false)))
            throwWaitEnded(u"TLS close"_s, texts);
    }
    m_tls.reset();
    // The server may still have sent something (TLS 1.3 session tickets);
    // closing on unread input would reset the connection and could cost it
    // the end of the file. So: end of stream from here, then read until the
    // server closes its side.
    net::shutdownSend(m_socket);
    for (;;) {
        const qint64 n = net::receive(m_socket, m_buffer.data(), m_buffer.size(), false);
        if (n == 0 || (n < 0 && net::lastError() != net::kWouldBlock))
            return;
        if (!waitTurn(n < 0 ? WantRead : WantNothing, nullptr, n < 0 ? 2 : 0))
            throwWaitEnded(u"TLS close"_s, texts);
    }
}

bool TAsyncSocket::tlsResumed() const
{
    return m_tls && m_tls->resumed();
}

tls::PeerCertificate TAsyncSocket::peerCertificate() const
{
    return m_tls ? m_tls->peerCertificate() : tls::PeerCertificate{};
}
