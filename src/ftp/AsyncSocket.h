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
// The socket stays non-blocking; every wait, of this socket and of what runs
// over it (TLS here, SSH in the game host's SFTP), is made of waitTurn():
// it polls for readiness, sleeps at most 2 ms and lets the event loop run,
// so the window keeps painting and timers keep ticking while the network is
// slow. Any handler that runs in such a turn may Cancel or Abort the wait;
// the time-out and a request to stop the program (SIGTERM) end it too.
class TAsyncSocket
{
public:
    using Handle = platform::sockets::Handle;

    // Which readiness a wait waits for; none: it only sleeps its turn.
    enum Want { WantNothing = 0, WantRead = 1, WantWrite = 2 };
    // The texts of a wait that ended early: the exception's message when it
    // timed out, when it was cancelled, and what the cause calls the silence.
    struct WaitTexts {
        QString timedOut;
        QString canceled;
        // The kind of a cancel: ESocketAborted (sends, reads) or
        // ESocketCanceled (look-up, connect, accept).
        bool abortedOnCancel = true;
        QString silence = QStringLiteral("no answer");
    };
    // Runs the time-out for as long as it lives.
    class TimedWait
    {
    public:
        explicit TimedWait(TAsyncSocket &socket) : m_socket(socket) { m_socket.startTimeOut(); }
        ~TimedWait() { m_socket.stopTimeOut(); }
        TimedWait(const TimedWait &) = delete;
        TimedWait &operator=(const TimedWait &) = delete;

    private:
        TAsyncSocket &m_socket;
    };

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
    // Reads until the peer closes, each piece into `sink`; a sink that
    // answers false stops the reading (`stopped` set), the rest unread.
    // Every wait has the time-out. Returns the bytes taken.
    qint64 ReceiveAll(const std::function<bool(QByteArrayView)> &sink, bool *stopped);
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

    // One turn of a wait: at most `milliseconds` for the socket to become
    // ready as `want` says (a plain sleep for WantNothing), then the event
    // loop and OnWaitTurn. `ready` gets the readiness bits seen. False once
    // the wait must end: cancelled, timed out, or the program asked to stop.
    bool waitTurn(int want, int *ready = nullptr, int milliseconds = kPollMs);
    // After waitTurn said false: ESocketTimedOut or the cancel's exception,
    // its cause `what` + ": " + the silence and the time-out, "canceled" or
    // "stopped". The cancel is cleared.
    [[noreturn]] void throwWaitEnded(const QString &what, const WaitTexts &texts);
    // A failed step of the socket or of TLS (or of what runs over it) as an
    // exception, unless `code` is "would block" or no socket error at all.
    void errorCheck(int code);
    // "within 60 s": the time-out in words, for causes.
    QString timeOutText() const;

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

private:
    static constexpr int kPollMs = 2;

    // A failure of the TLS layer itself, beside the socket error numbers.
    static constexpr int kTlsFailed = 30000;

    void createSocket(bool resetOnClose);
    void resolveHost();
    void sendBuffer(const char *data, qint64 size, bool countAndReport);
    // sendBuffer with the time-out running around it.
    void sendBufferTimed(const char *data, qint64 size, bool countAndReport);
    // Throws when a send or read loop ended by a cancel or time-out.
    void throwIfStopped(const QString &abortedText, const QString &timedOutText);
    void peerClosed();
    void timerFired();
    void closeSocket();
    // The connection's bytes, plain or through TLS: bytes moved (> 0), 0 when
    // the peer closed, -1 with the error number in `error` (would block
    // included).
    qint64 receiveSome(char *buffer, qint64 size, bool peek, int *error);
    qint64 sendSome(const char *data, qint64 size, int *error);
    // What the last would-block was waiting for: TLS may need to write
    // while reading, or the other way round.
    int transportWant(bool forRead) const;
    int tlsError(platform::tls::Step step);
    std::shared_ptr<platform::tls::Context> makeContext(QString *error);

    Handle m_socket = platform::sockets::kNoSocket;
    std::shared_ptr<platform::tls::Context> m_tlsContext;
    std::unique_ptr<platform::tls::Session> m_tls;
    platform::tls::Step m_tlsWant = platform::tls::Step::Done;
    TWaitTimer m_timer;
    QByteArray m_buffer;
    quint32 m_remoteAddress = 0;
    bool m_connected = false;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_stopRequested = false;
    bool m_eventArrived = false;
    bool m_succeeded = true;
    bool m_destroying = false;
    int m_lastError = 0;
    QString m_status;
    quint32 m_bytesSent = 0;
    quint32 m_bytesTotal = 0;
};
