#include "ftp/FtpClient.h"

#include "ftp/FtpReply.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

int kindOf(const QString &command)
{
    if (command == u"PWD"_s)
        return FtpKind::PrintDir;
    const QString word = command.section(u' ', 0, 0);
    if (word == u"CWD"_s)
        return FtpKind::ChangeDir;
    if (word == u"DELE"_s)
        return FtpKind::Delete;
    if (word == u"MKD"_s)
        return FtpKind::MakeDir;
    if (word == u"RMD"_s)
        return FtpKind::RemoveDir;
    return FtpKind::Other;
}

// "reply to PASS": a command named without its argument, which may be a password.
QString commandWord(const QByteArray &command)
{
    const qsizetype blank = command.indexOf(' ');
    return QString::fromUtf8(blank < 0 ? command : command.left(blank)).left(20);
}

} // namespace

TFtpClient::TFtpClient()
{
    Port = 21;
}

TFtpClient::~TFtpClient()
{
    Cancel();
    m_data.reset();
}

QByteArray TFtpClient::readReply(const QString &step)
{
    m_replyNumber = 0;
    // The whole reply within one time-out: a server that trickles lines
    // cannot hold the client for longer.
    startTimeOut();
    const auto stop = qScopeGuard([this] { stopTimeOut(); });
    try {
        return readReplyLines(step);
    } catch (const EFtpProtocolError &) {
        m_controlLost = true;
        throw;
    } catch (const ESocketClosed &) {
        m_controlLost = true;
        throw;
    } catch (const ESocketTimedOut &) {
        m_controlLost = true;
        setCause(step + u": no complete reply "_s + timeOutText());
        throw;
    } catch (const ESocketAborted &) {
        m_controlLost = true;
        setCause(step + u": canceled"_s);
        throw;
    } catch (const RankholdError &) {
        m_controlLost = true;
        setCause(step + u": "_s + cause());
        throw;
    }
}

QByteArray TFtpClient::readReplyLines(const QString &step)
{
    qint64 budget = ftpreply::kMaxReplyBytes;
    const QList<QByteArray> secrets{Password.toUtf8(), FWPassword.toUtf8()};
    auto nextLine = [&] {
        const QByteArray read = readLine(budget);
        budget -= read.size();
        // Nothing a server says back goes on with a password in it; the
        // code in front is the server's own, whatever the password.
        const QByteArray line = read.left(4) + ftpreply::withoutSecrets(read.mid(4), secrets);
        if (budget < 0) {
            setCause(step + u": longer than 1 MiB"_s);
            throw EFtpProtocolError(u"Reply too long"_s);
        }
        if (line.isEmpty()) {
            setCause(step + u": the server closed the connection"_s);
            throw ESocketClosed(u"Connection closed"_s);
        }
        StatusReport(1, ftpreply::text(line));
        return line;
    };

    const QByteArray first = nextLine();
    m_lastReply = first;
    const int code = ftpreply::code(first);
    if (code == 0) {
        setCause(step + u": not an FTP reply: "_s + ftpreply::quoted(first));
        throw EFtpProtocolError(u"Not an FTP reply: "_s + ftpreply::quoted(first));
    }
    if (ftpreply::opensMultiLine(first)) {
        // Every line up to the closing one is text, whatever it starts with.
        while (!ftpreply::endsMultiLine(nextLine(), code)) {
        }
    }
    m_replyNumber = code;
    return first;
}

QByteArray TFtpClient::Transaction(const QByteArray &command)
{
    m_replyNumber = 0;
    try {
        WriteLn(command);
    } catch (const RankholdError &) {
        m_controlLost = true;
        setCause(u"sending "_s + commandWord(command) + u": "_s + cause());
        throw;
    }
    return readReply(u"reply to "_s + commandWord(command));
}

void TFtpClient::refuse(const QByteArray &reply)
{
    setCause(ftpreply::text(reply));
    if (OnConnectionFailed)
        OnConnectionFailed(*this);
    throw EFtpError(ftpreply::text(reply));
}

void TFtpClient::checkLogIn(const QByteArray &reply)
{
    if (m_replyNumber > 400 && m_replyNumber < 600)
        refuse(reply);
}

void TFtpClient::Connect()
{
    if (connected())
        return;
    if (DataAvailable())
        ClearInput();
    m_controlLost = false;
    m_certificate = {};
    setCause({});
    TAsyncSocket::Connect();
    try {
        logIn();
    } catch (const RankholdError &e) {
        // A server that drops or stops answering during the log-in has
        // failed the connection as surely as one that refuses it.
        if (!dynamic_cast<const EFtpError *>(&e) && OnConnectionFailed)
            OnConnectionFailed(*this);
        const QString why = cause();
        try {
            Disconnect();
        } catch (const RankholdError &) {
            // The log-in's own failure is the one worth reporting.
        }
        if (connected())
            Close();
        setCause(why);
        StatusReport(1, u"Disconnected"_s);
        throw;
    }
    if (OnConnect)
        OnConnect(*this);
}

void TFtpClient::logIn()
{
    // 120: "ready in a few minutes", the real greeting follows.
    QByteArray greeting = readReply(u"greeting"_s);
    while (m_replyNumber >= 100 && m_replyNumber < 200)
        greeting = readReply(u"greeting"_s);
    if (m_replyNumber > 400)
        refuse(greeting);
    if (UseTls)
        secureControl();

    QByteArray reply;
    if (FWAuthenticate) {
        reply = Transaction("USER " + FWUserID.toUtf8());
        checkLogIn(reply);
        if (m_replyNumber == 331) {
            StatusReport(1, u"PASS "_s);
            reply = Transaction("PASS " + FWPassword.toUtf8());
            checkLogIn(reply);
        }
    }
    if ((UserID.isEmpty() || Password.isEmpty()) && OnAuthenticationNeeded) {
        bool handled = false;
        OnAuthenticationNeeded(handled);
    }
    if (!Proxy.isEmpty()) {
        switch (FirewallType) {
        case fwUser:
            reply = Transaction("USER " + UserID.toUtf8() + '@' + Host.toUtf8());
            break;
        case fwOpen:
            Transaction("OPEN " + Host.toUtf8());
            break;
        case fwSite:
            Transaction("SITE " + Host.toUtf8());
            break;
        }
    }
    if (Proxy.isEmpty() || FirewallType != fwUser) {
        StatusReport(1, u"USER "_s + UserID);
        reply = Transaction("USER " + UserID.toUtf8());
        checkLogIn(reply);
    }
    if (m_replyNumber == 331) {
        StatusReport(1, u"PASS "_s);
        reply = Transaction("PASS " + Password.toUtf8());
        checkLogIn(reply);
    }
    if (UseTls)
        protectData();
}

void TFtpClient::dropControl()
{
    sendNow("QUIT\r\n");
    TAsyncSocket::Disconnect();
}

void TFtpClient::Disconnect()
{
    clearCancelled();
    if (!connected())
        return;
    StatusReport(1, u"QUIT"_s);
    Vendor = 2411;
    // A control connection that timed out or stopped speaking FTP is not
    // waited for a second time.
    if (m_controlLost) {
        dropControl();
        return;
    }
    QByteArray reply;
    try {
        if (DataAvailable())
            ClearInput();
        if (!connected())
            return; // the server had already closed
        reply = Transaction("QUIT");
    } catch (const ESocketClosed &) {
        // Closed after QUIT is what QUIT asks for.
        TAsyncSocket::Disconnect();
        return;
    } catch (...) {
        TAsyncSocket::Disconnect();
        throw;
    }
    TAsyncSocket::Disconnect();
    if (m_replyNumber > 300 && m_replyNumber < 600)
        throw EFtpError(ftpreply::text(reply));
}

void TFtpClient::Abort()
{
    if (m_data)
        m_data->Cancel();
}

void TFtpClient::commandWithEvents(const QString &command)
{
    const int kind = kindOf(command);
    clearCancelled();
    CheckConnection();
    StatusReport(1, command);
    if (DataAvailable())
        ClearInput();
    const QByteArray reply = Transaction(command.toUtf8());
    if (m_replyNumber >= 400 && m_replyNumber <= 599) {
        setCause(ftpreply::text(reply));
        if (m_replyNumber <= 502 && m_replyNumber >= 500 && OnUnSupportedFunction)
            OnUnSupportedFunction(kind);
        bool handled = false;
        if (OnFailure)
            OnFailure(handled, kind);
        if (!handled)
            throw EFtpError(ftpreply::text(reply));
        return;
    }
    if (OnSuccess)
        OnSuccess(kind);
}

void TFtpClient::ChangeDir(const QString &directory)
{
    commandWithEvents(u"CWD "_s + directory);
}

void TFtpClient::Upload(const QString &localFile, const QString &remoteName)
{
    bool stored = false;
    try {
        stored = store(localFile, remoteName);
    } catch (const RankholdError &) {
        bool handled = false;
        if (OnFailure)
            OnFailure(handled, FtpKind::Store);
        if (!handled)
            throw;
    }
    if (stored && OnSuccess)
        OnSuccess(FtpKind::Store);
}

void TFtpClient::openDataConnection()
{
    // TLS data connections are always passive: the client opens them.
    if (Passive || UseTls) {
        const QByteArray reply = Transaction("PASV");
        const quint16 port = ftpreply::passivePort(reply);
        // A 4xx or an unreadable port leaves nothing to connect to.
        if (m_replyNumber >= 400 || port == 0) {
            setCause(ftpreply::text(reply));
            throw EFtpError(ftpreply::text(reply));
        }
        // The configured host, never the address in the reply: a server
        // behind NAT names one the client cannot (or must not) reach.
        m_data->Host = Host;
        m_data->Port = port;
        try {
            m_data->Connect();
        } catch (const RankholdError &) {
            setCause(u"data connection: "_s + m_data->cause());
            throw;
        }
        return;
    }
    // Listen on the control connection's own address, which is the one
    // PORT names, before PORT is sent.
    quint32 address = 0;
    quint16 unused = 0;
    platform::sockets::localAddress(handle(), &address, &unused);
    m_data->ListenAddress = address;
    m_data->Port = 0;
    m_data->Listen(true);
    const QByteArray reply = Transaction("PORT " + (LocalAddressText() + m_data->LocalPortText()).toLatin1());
    if (m_replyNumber > 300 && m_replyNumber < 600) {
        setCause(ftpreply::text(reply));
        throw EFtpError(ftpreply::text(reply));
    }
}

void TFtpClient::acceptDataConnection(const QString &name)
{
    // Only the server may deliver the data connection; and while it is
    // awaited, an answer or a close on the control connection ends the wait.
    m_data->AcceptFrom = remoteAddress();
    bool controlSpoke = false;
    const auto turn = m_data->OnWaitTurn;
    m_data->OnWaitTurn = [this, turn, &controlSpoke] {
        if (turn)
            turn();
        if (inputPending()) {
            controlSpoke = true;
            m_data->Cancel();
        }
    };
    const auto restore = qScopeGuard([this, turn] { m_data->OnWaitTurn = turn; });
    try {
        m_data->AdoptSocket(m_data->Accept());
    } catch (const ESocketCanceled &) {
        if (!controlSpoke)
            throw;
        // The server's word is the cause: an error reply, or its close.
        const QByteArray reply = readReply(u"reply to STOR "_s + name);
        setCause(u"instead of the data connection: "_s + ftpreply::text(reply));
        throw EFtpError(ftpreply::text(reply));
    } catch (const RankholdError &) {
        setCause(m_data->cause());
        throw;
    }
}

void TFtpClient::sendFile(const QString &localFile, const QString &name)
{
    try {
        if (UseTls) {
            m_data->StartTls(Host, this);
            // The same server on both connections: a resumed session says so,
            // a fresh one must show the control connection's certificate.
            if (!m_data->tlsResumed() && m_data->peerCertificate().fingerprint != m_certificate.fingerprint) {
                m_data->setCause(u"TLS: the data connection shows another certificate"_s);
                throw ETlsError(m_data->cause());
            }
        }
        if (!cancelled() && !timedOut())
            m_data->SendFile(localFile);
        m_data->FinishTls();
    } catch (const ESocketTimedOut &) {
        setCause(u"sending "_s + name + u": the server took no data "_s + timeOutText());
        throw;
    } catch (const RankholdError &) {
        setCause(u"sending "_s + name + u": "_s + m_data->cause());
        throw;
    }
}

bool TFtpClient::store(const QString &localFile, const QString &remoteName)
{
    clearCancelled();
    CheckConnection();
    if (DataAvailable())
        ClearInput();

    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly)) {
        setCause(u"open "_s + localFile + u": "_s + file.errorString());
        throw RankholdError(u"Cannot open file \"%1\". %2"_s.arg(localFile, file.errorString()));
    }
    setBytesTotal(quint32(file.size()));
    file.close();

    m_data = std::make_unique<TAsyncSocket>();
    m_data->TimeOut = TimeOut;
    m_data->OnPacketSent = OnPacketSent;
    m_data->OnWaitTurn = OnWaitTurn;
    // Whatever happens, the data connection ends with the store.
    const auto dropData = qScopeGuard([this] { m_data.reset(); });

    openDataConnection();

    const QString name = remoteName.isEmpty() ? QFileInfo(localFile).fileName() : remoteName;
    StatusReport(1, u"STOR "_s + name);
    const QByteArray reply = Transaction("STOR " + name.toUtf8());
    if (m_replyNumber > 300 && m_replyNumber < 600) {
        setCause(ftpreply::text(reply));
        if (m_replyNumber >= 500 && m_replyNumber <= 502 && OnUnSupportedFunction)
            OnUnSupportedFunction(FtpKind::Store);
        throw EFtpError(ftpreply::text(reply));
    }

    if (!Passive && !UseTls)
        acceptDataConnection(name);
    if (OnTransactionStart)
        OnTransactionStart(*this);
    sendFile(localFile, name);
    if (OnTransactionStop)
        OnTransactionStop(*this);
    // Lingering off: the close must finish the file, not reset it.
    m_data->SetLinger(false);
    m_data->Close();

    // A store stopped before its confirmation did not succeed.
    if (cancelled() || timedOut()) {
        setCause(u"sending "_s + name + u": canceled"_s);
        throw ESocketAborted(u"Socket send aborted"_s);
    }
    // The server has the last word on whether the file arrived.
    const QByteArray final = readReply(u"reply to STOR "_s + name);
    if (m_replyNumber >= 400 && m_replyNumber <= 599) {
        setCause(ftpreply::text(final));
        throw EFtpError(ftpreply::text(final));
    }
    return true;
}
