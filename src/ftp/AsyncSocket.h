#pragma once

#include "ftp/SocketErrors.h"
#include "ftp/WaitTimer.h"
#include "platform/Sockets.h"

#include <QByteArray>
#include <QString>
#include <functional>

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

private:
    void createSocket(bool resetOnClose);
    void resolveHost();
    void sendBuffer(const char *data, qint64 size, bool countAndReport);
    // sendBuffer with the time-out running around it.
    void sendBufferTimed(const char *data, qint64 size, bool countAndReport);
    // A cancel during a send or read ends it with "Socket send aborted".
    void throwIfSendCancelled();
    void peerClosed();
    void timerFired();

    Handle m_socket = platform::sockets::kNoSocket;
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
