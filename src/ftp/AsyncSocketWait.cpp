// The one wait of the socket component: every loop that waits for the
// network, on a plain or TLS connection or for SSH over it (the game host),
// turns through waitTurn(), so the time-out, a Cancel, the event loop and a
// request to stop the program are heard the same way everywhere.
#include "ftp/AsyncSocket.h"

#include "platform/StopSignals.h"

#include <QThread>

using namespace Qt::StringLiterals;
namespace net = platform::sockets;

namespace {

constexpr qint64 kPiece = 65536;

} // namespace

bool TAsyncSocket::waitTurn(int want, int *ready, int milliseconds)
{
    int seen = 0;
    if (want != WantNothing && m_socket != net::kNoSocket)
        seen = net::waitReady(m_socket, (want & WantRead) != 0, (want & WantWrite) != 0, milliseconds);
    else if (milliseconds > 0)
        QThread::msleep(milliseconds);
    if (ready)
        *ready = seen;
    processEvents();
    // rankhold-cli watch asked to end (SIGTERM): no wait outlasts the request.
    if (platform::StopSignals::requested()) {
        m_stopRequested = true;
        m_cancelled = true;
    }
    return !m_cancelled;
}

void TAsyncSocket::throwWaitEnded(const QString &what, const WaitTexts &texts)
{
    m_cancelled = false;
    const QString step = what.isEmpty() ? QString() : what + u": "_s;
    if (m_timedOut)
        throw ESocketTimedOut(texts.timedOut, step + texts.silence + u' ' + timeOutText());
    const QString why = step + (m_stopRequested ? u"stopped: the program is asked to end"_s : u"canceled"_s);
    if (texts.abortedOnCancel)
        throw ESocketAborted(texts.canceled, why);
    throw ESocketCanceled(texts.canceled, why);
}

void TAsyncSocket::startTimeOut()
{
    StatusReport(8, u"Timer On"_s);
    m_timedOut = false;
    m_timer.setInterval(TimeOut);
    m_timer.setEnabled(true);
}

void TAsyncSocket::stopTimeOut()
{
    StatusReport(8, u"Timer Off"_s);
    m_timer.setEnabled(false);
}

void TAsyncSocket::timerFired()
{
    StatusReport(8, u"Timer Triggered"_s);
    stopTimeOut();
    m_timedOut = true;
    m_eventArrived = true;
    // Ends this component's own wait; an owner's Abort may mean another socket.
    TAsyncSocket::Abort();
}

qint64 TAsyncSocket::ReceiveAll(const std::function<bool(QByteArrayView)> &sink, bool *stopped)
{
    StatusReport(8, u"ReceiveAll"_s);
    *stopped = false;
    qint64 total = 0;
    const WaitTexts texts{u"Socket readln timed out"_s, u"Socket readln aborted"_s, true, u"no data"_s};
    for (;;) {
        startTimeOut();
        int error = 0;
        qint64 n = 0;
        // One piece within the time-out: a peer that stalls ends the read.
        while ((n = receiveSome(m_buffer.data(), kPiece, false, &error)) < 0) {
            errorCheck(error);
            if (!waitTurn(transportWant(true))) {
                stopTimeOut();
                throwWaitEnded({}, texts);
            }
        }
        stopTimeOut();
        if (n == 0) {
            peerClosed();
            return total;
        }
        total += n;
        if (!sink(QByteArrayView(m_buffer.constData(), n))) {
            *stopped = true;
            return total;
        }
        if (!waitTurn(WantNothing, nullptr, 0))
            throwWaitEnded({}, texts);
    }
}
