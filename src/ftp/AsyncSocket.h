#pragma once

#include "ftp/SocketErrors.h"
#include "ftp/WaitTimer.h"
#include "platform/Sockets.h"
#include "platform/Tls.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

// One TCP socket with blocking-style operations for code on the GUI thread.
// The socket stays non-blocking; every wait polls it for readiness, sleeps at
// most 2 ms and lets the event loop run, so the window keeps painting and
// timers keep ticking while the network is slow. Any handler that runs in
// such a turn may Cancel or Abort the wait.
class TAsyncSocket
{
public:
    using Handle = platform::sockets::Handle;

    TAsyncSocket();
    virtual ~TAsyncSocket();
    TAsyncSocket(const TAsyncSocket &) = delete;
    TAsyncSocket &operator=(const TAsyncSocket &) = delete;

    QString Host;
    int Port = 0;
    int TimeOut = 0; // milliseconds per wait, 0 = none
    int ReportLevel = 0;
    QString Proxy; // when set, resolution and connection go here instead of Host
    quint16 ProxyPort = 0;
    quint32 ListenAddress = 0; // address Listen binds to, 0 = any
    // Accept takes connections from this address only and waits on past
    // others (0 = from anybody).
    quint32 AcceptFrom = 0;

    std::function<void(TAsyncSocket &)> OnConnect;
    std::function<void(TAsyncSocket &)> OnDisconnect;
    std::function<void(bool &handled)> OnInvalidHost;
    std::function<void(TAsyncSocket &)> OnHostResolved;
    std::function<void(TAsyncSocket &, const QString &status)> OnStatus;
    std::function<void(TAsyncSocket &)> OnConnectionFailed;
    std::function<void(TAsyncSocket &, int error, const QString &message)> OnError;
    std::function<void(TAsyncSocket &)> OnConnectionRequired;
    std::function<void(TAsyncSocket &)> OnPacketSent;
    // Called on every turn of a wait, after the event loop has run: the
    // owner's hook for "the network is waiting" (its command host).
    std::function<void()> OnWaitTurn;

    virtual Handle Accept();
    virtual void Connect();
    virtual void Disconnect();
    // Sends one line and reads one line back.
    virtual QByteArray Transaction(const QByteArray &command);
    virtual void Abort();

    void Close();
    void Cancel();
    void CheckConnection();
    bool DataAvailable();
    void ClearInput();
    void Write(const QByteArray &text);
    void WriteLn(const QByteArray &text);
    // One line with its CR LF; nothing after the line feed is consumed. An
    // empty result means the peer closed.
    QByteArray ReadLn();
    QByteArray Read(int count);
    void SendFile(const QString &path);
    void Listen(bool acceptOnly);
    // The accepted socket `socket` replaces this component's (listening) one.
    void AdoptSocket(Handle socket);
    void SetLinger(bool on);
    QString LocalAddressText() const;
    QString LocalPortText() const;
    void StatusReport(int level, const QString &text);

    // Turns the connected socket into a TLS client connection; the handshake
    // keeps the time-out. The certificate is checked against `hostName`; the
    // result is in peerCertificate(), the caller decides. `resumeFrom`: a
    // connection whose TLS session this one offers to resume. Throws
    // ETlsError (or ESocketTimedOut, ESocketAborted) and leaves the socket
    // unusable for plain text on failure.
    void StartTls(const QString &hostName, const TAsyncSocket *resumeFrom = nullptr);
    // Sends the TLS close notification (within the time-out), so the peer
    // sees a complete stream; nothing on a plain connection.
    void FinishTls();
    bool secure() const { return m_tls != nullptr; }
    bool tlsResumed() const;
    platform::tls::PeerCertificate peerCertificate() const;
    // True when the socket has input or the peer closed, without taking any.
    bool inputPending() const;

    // One line saying why the last operation failed, for the operator
    // ("connect to 127.0.0.1:21: 10061:Connection refused").
    QString cause() const { return m_cause; }
    void setCause(const QString &cause) { m_cause = cause; }

    bool connected() const { return m_connected; }
    bool cancelled() const { return m_cancelled; }
    bool timedOut() const { return m_timedOut; }
    int lastError() const { return m_lastError; }
    QString status() const { return m_status; }
    quint32 remoteAddress() const { return m_remoteAddress; }
    quint32 bytesSent() const { return m_bytesSent; }
    quint32 bytesTotal() const { return m_bytesTotal; }
    void setBytesTotal(quint32 total) { m_bytesTotal = total; }
    Handle handle() const { return m_socket; }

protected:
    // The socket's connection came up. The FTP client reports its own
    // connect only after the log-in, so it overrides this.
    virtual void socketConnected();
    void startTimeOut();
    void stopTimeOut();
    // Raises the error message for `code` unless it is "would block" or not a
    // socket error at all.
    void errorCheck(int code);
    void clearCancelled() { m_cancelled = false; }
    // Lets other handlers run: timers, input, a Cancel.
    void processEvents();
    // ReadLn without a time-out of its own, for a caller that times a whole
    // exchange; it returns early, without a line end, once the line is
    // longer than `limit` bytes.
    QByteArray readLine(qint64 limit);
    // One attempt to send `bytes`, no waiting, errors ignored: a last word to
    // a peer that may be gone.
    void sendNow(const QByteArray &bytes);
    // "within 60 s": the time-out in words, for causes.
    QString timeOutText() const;

private:
    // A failure of the TLS layer itself, beside the socket error numbers.
    static constexpr int kTlsFailed = 30000;

    void createSocket(bool resetOnClose);
    void resolveHost();
    void sendBuffer(const char *data, qint64 size, bool countAndReport);
    // sendBuffer with the time-out running around it.
    void sendBufferTimed(const char *data, qint64 size, bool countAndReport);
    // A cancel during a send or read ends it with "Socket send aborted".
    // A cancel or time-out that ended a send or read: ESocketTimedOut with
    // `timedOutText` or ESocketAborted with `abortedText`.
    void throwIfStopped(const QString &abortedText, const QString &timedOutText);
    void peerClosed();
    void timerFired();
    void closeSocket();
    // The connection's bytes, plain or through TLS: bytes moved (> 0), 0 when
    // the peer closed, -1 with the error number in `error` (would block
    // included).
    qint64 receiveSome(char *buffer, qint64 size, bool peek, int *error);
    qint64 sendSome(const char *data, qint64 size, int *error);
    // Waits at most one poll for what the last would-block was waiting for.
    void waitTransport(bool forRead);
    int tlsError(platform::tls::Step step);
    std::shared_ptr<platform::tls::Context> makeContext(QString *error);

    Handle m_socket = platform::sockets::kNoSocket;
    std::shared_ptr<platform::tls::Context> m_tlsContext;
    std::unique_ptr<platform::tls::Session> m_tls;
    platform::tls::Step m_tlsWant = platform::tls::Step::Done;
    QString m_cause;
    TWaitTimer m_timer;
    QByteArray m_buffer;
    quint32 m_remoteAddress = 0;
    bool m_connected = false;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_eventArrived = false;
    bool m_succeeded = true;
    bool m_destroying = false;
    int m_lastError = 0;
    QString m_status;
    quint32 m_bytesSent = 0;
    quint32 m_bytesTotal = 0;
};
