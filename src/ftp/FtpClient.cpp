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

ftpreply::Reply TFtpClient::readReply(const QString &step)
{
    m_replyNumber = 0;
    // The whole reply within one time-out: a server that trickles lines
    // cannot hold the client for longer.
    const TimedWait timed(*this);
    try {
        return readReplyLines(step);
    } catch (ESocketTimedOut &e) {
        m_controlLost = true;
        e.setCause(step + u": no complete reply "_s + timeOutText());
        throw;
    } catch (EFtpProtocolError &) {
        m_controlLost = true;
        throw;
    } catch (ESocketClosed &) {
        m_controlLost = true;
        throw;
    } catch (ENetworkError &e) {
        m_controlLost = true;
        e.prefixCause(step);
        throw;
    } catch (const RankholdError &) {
        m_controlLost = true;
        throw;
    }
}

ftpreply::Reply TFtpClient::readReplyLines(const QString &step)
{
    // Nothing a server says back goes on with a password in it.
    ftpreply::ReplyLines lines({Password.toUtf8(), FWPassword.toUtf8()});
    for (;;) {
        const ftpreply::ReplyLines::Outcome outcome = lines.add(readLine(lines.room()));
        switch (outcome) {
        case ftpreply::ReplyLines::Outcome::TooLong:
            throw EFtpProtocolError(u"Reply too long"_s, step + u": longer than 1 MiB"_s);
        case ftpreply::ReplyLines::Outcome::Closed:
            throw ESocketClosed(u"Connection closed"_s, step + u": the server closed the connection"_s);
        default:
            break;
        }
        StatusReport(1, ftpreply::text(lines.lastLine()));
        m_lastReply = lines.firstLine();
        if (outcome == ftpreply::ReplyLines::Outcome::NotAReply) {
            throw EFtpProtocolError(u"Not an FTP reply: "_s + ftpreply::quoted(lines.firstLine()),
                                    step + u": not an FTP reply: "_s + ftpreply::quoted(lines.firstLine()));
        }
        if (outcome == ftpreply::ReplyLines::Outcome::Whole)
            break;
    }
    m_replyNumber = lines.code();
    return {lines.code(), lines.firstLine()};
}

QByteArray TFtpClient::Transaction(const QByteArray &command)
{
    m_replyNumber = 0;
    try {
        WriteLn(command);
    } catch (ENetworkError &e) {
        m_controlLost = true;
        e.prefixCause(u"sending "_s + commandWord(command));
        throw;
    }
    return readReply(u"reply to "_s + commandWord(command)).firstLine;
}

ftpreply::Reply TFtpClient::expect(ftpreply::Step step, const QByteArray &line)
{
    Transaction(line);
    ftpreply::Reply reply{m_replyNumber, m_lastReply};
    if (!ftpreply::accepted(step, reply.code))
        failStep(reply);
    return reply;
}

void TFtpClient::failStep(const ftpreply::Reply &reply, const QString &cause)
{
    throw EFtpError(reply.text(), cause.isEmpty() ? reply.text() : cause, reply.code);
}

void TFtpClient::refuse(const ftpreply::Reply &reply)
{
    if (OnConnectionFailed)
        OnConnectionFailed(*this);
    failStep(reply);
}

void TFtpClient::checkLogIn(ftpreply::Step step, const ftpreply::Reply &reply)
{
    if (!ftpreply::accepted(step, reply.code))
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
    TAsyncSocket::Connect();
    try {
        logIn();
    } catch (const RankholdError &e) {
        // A server that drops or stops answering during the log-in has
        // failed the connection as surely as one that refuses it.
        if (!dynamic_cast<const EFtpError *>(&e) && OnConnectionFailed)
            OnConnectionFailed(*this);
        try {
            Disconnect();
        } catch (const RankholdError &) {
            // The log-in's own failure is the one worth reporting.
        }
        if (connected())
            Close();
        StatusReport(1, u"Disconnected"_s);
        throw;
    }
    if (OnConnect)
        OnConnect(*this);
}

void TFtpClient::logIn()
{
    using ftpreply::Step;
    auto ask = [this](const QByteArray &line) {
        Transaction(line);
        return ftpreply::Reply{m_replyNumber, m_lastReply};
    };
    // 120: "ready in a few minutes", the real greeting follows.
    ftpreply::Reply greeting = readReply(u"greeting"_s);
    while (greeting.code >= 100 && greeting.code < 200)
        greeting = readReply(u"greeting"_s);
    checkLogIn(Step::Greeting, greeting);
    if (UseTls)
        secureControl();

    ftpreply::Reply reply;
    if (FWAuthenticate) {
        reply = ask("USER " + FWUserID.toUtf8());
        checkLogIn(Step::User, reply);
        if (reply.code == 331) {
            StatusReport(1, u"PASS "_s);
            reply = ask("PASS " + FWPassword.toUtf8());
            checkLogIn(Step::Pass, reply);
        }
    }
    if ((UserID.isEmpty() || Password.isEmpty()) && OnAuthenticationNeeded) {
        bool handled = false;
        OnAuthenticationNeeded(handled);
    }
    if (!Proxy.isEmpty()) {
        switch (FirewallType) {
        case fwUser:
            reply = ask("USER " + UserID.toUtf8() + '@' + Host.toUtf8());
            break;
        case fwOpen:
            ask("OPEN " + Host.toUtf8());
            break;
        case fwSite:
            ask("SITE " + Host.toUtf8());
            break;
        }
    }
    if (Proxy.isEmpty() || FirewallType != fwUser) {
        StatusReport(1, u"USER "_s + UserID);
        reply = ask("USER " + UserID.toUtf8());
        checkLogIn(Step::User, reply);
    }
    if (reply.code == 331) {
        StatusReport(1, u"PASS "_s);
        reply = ask("PASS " + Password.toUtf8());
        checkLogIn(Step::Pass, reply);
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
    try {
        if (DataAvailable())
            ClearInput();
        if (!connected())
            return; // the server had already closed
        Transaction("QUIT");
    } catch (const ESocketClosed &) {
        // Closed after QUIT is what QUIT asks for.
        TAsyncSocket::Disconnect();
        return;
    } catch (...) {
        TAsyncSocket::Disconnect();
        throw;
    }
    TAsyncSocket::Disconnect();
    const ftpreply::Reply reply{m_replyNumber, m_lastReply};
    if (!ftpreply::accepted(ftpreply::Step::Quit, reply.code))
        failStep(reply);
}

void TFtpClient::Abort()
{
    if (m_data)
        m_data->Cancel();
}

void TFtpClient::commandWithEvents(ftpreply::Step step, const QString &command)
{
    const int kind = kindOf(command);
    clearCancelled();
    CheckConnection();
    StatusReport(1, command);
    if (DataAvailable())
        ClearInput();
    Transaction(command.toUtf8());
    const ftpreply::Reply reply{m_replyNumber, m_lastReply};
    if (!ftpreply::accepted(step, reply.code)) {
        if (reply.code <= 502 && reply.code >= 500 && OnUnSupportedFunction)
            OnUnSupportedFunction(kind);
        bool handled = false;
        if (OnFailure)
            OnFailure(handled, kind);
        if (!handled)
            failStep(reply);
        return;
    }
    if (OnSuccess)
        OnSuccess(kind);
}

void TFtpClient::ChangeDir(const QString &directory)
{
    commandWithEvents(ftpreply::Step::ChangeDir, u"CWD "_s + directory);
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
    m_data = std::make_unique<TAsyncSocket>();
    m_data->TimeOut = TimeOut;
    m_data->OnPacketSent = OnPacketSent;
    m_data->OnWaitTurn = OnWaitTurn;
    // TLS data connections are always passive: the client opens them.
    if (Passive || UseTls) {
        Transaction("PASV");
        const ftpreply::Reply reply{m_replyNumber, m_lastReply};
        const quint16 port = ftpreply::passivePort(reply.firstLine);
        // A refusal or an unreadable port leaves nothing to connect to.
        if (!ftpreply::accepted(ftpreply::Step::Passive, reply.code) || port == 0)
            failStep(reply);
        // The configured host, never the address in the reply: a server
        // behind NAT names one the client cannot (or must not) reach.
        m_data->Host = Host;
        m_data->Port = port;
        try {
            m_data->Connect();
        } catch (ENetworkError &e) {
            e.prefixCause(u"data connection"_s);
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
    expect(ftpreply::Step::Port, "PORT " + (LocalAddressText() + m_data->LocalPortText()).toLatin1());
}

void TFtpClient::acceptDataConnection(const QString &command)
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
        const ftpreply::Reply reply = readReply(u"reply to "_s + command);
        failStep(reply, u"instead of the data connection: "_s + reply.text());
    }
}

void TFtpClient::secureData()
{
    m_data->StartTls(Host, this);
    // The same server on both connections: a resumed session says so, a
    // fresh one must show the control connection's certificate.
    if (!m_data->tlsResumed() && m_data->peerCertificate().fingerprint != m_certificate.fingerprint)
        throw ETlsError(u"TLS: the data connection shows another certificate"_s,
                        u"TLS: the data connection shows another certificate"_s);
}

void TFtpClient::sendFile(const QString &localFile, const QString &name)
{
    try {
        if (UseTls)
            secureData();
        if (!cancelled() && !timedOut())
            m_data->SendFile(localFile);
        m_data->FinishTls();
    } catch (ESocketTimedOut &e) {
        e.setCause(u"sending "_s + name + u": the server took no data "_s + timeOutText());
        throw;
    } catch (ENetworkError &e) {
        e.prefixCause(u"sending "_s + name);
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
    if (!file.open(QIODevice::ReadOnly))
        throw RankholdError(u"Cannot open file \"%1\". %2"_s.arg(localFile, file.errorString()));
    setBytesTotal(quint32(file.size()));
    file.close();

    // Whatever happens, the data connection ends with the store.
    const auto dropData = qScopeGuard([this] { m_data.reset(); });
    openDataConnection();

    const QString name = remoteName.isEmpty() ? QFileInfo(localFile).fileName() : remoteName;
    StatusReport(1, u"STOR "_s + name);
    Transaction("STOR " + name.toUtf8());
    const ftpreply::Reply reply{m_replyNumber, m_lastReply};
    if (!ftpreply::accepted(ftpreply::Step::Store, reply.code)) {
        if (reply.code >= 500 && reply.code <= 502 && OnUnSupportedFunction)
            OnUnSupportedFunction(FtpKind::Store);
        failStep(reply);
    }

    if (!Passive && !UseTls)
        acceptDataConnection(u"STOR "_s + name);
    if (OnTransactionStart)
        OnTransactionStart(*this);
    sendFile(localFile, name);
    if (OnTransactionStop)
        OnTransactionStop(*this);
    // Lingering off: the close must finish the file, not reset it.
    m_data->SetLinger(false);
    m_data->Close();

    // A store stopped before its confirmation did not succeed.
    if (cancelled() || timedOut())
        throw ESocketAborted(u"Socket send aborted"_s, u"sending "_s + name + u": canceled"_s);
    // The server has the last word on whether the file arrived.
    const ftpreply::Reply final = readReply(u"reply to STOR "_s + name);
    if (!ftpreply::accepted(ftpreply::Step::StoreEnd, final.code))
        failStep(final);
    return true;
}
