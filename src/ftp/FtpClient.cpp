#include "ftp/FtpClient.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString text(const QByteArray &line)
{
    return QString::fromUtf8(line);
}

// The reply's message without its line end, for the exception.
QString replyMessage(const QByteArray &line)
{
    QByteArray trimmed = line;
    while (trimmed.endsWith('\n') || trimmed.endsWith('\r'))
        trimmed.chop(1);
    return QString::fromUtf8(trimmed);
}

int leadingNumber(const QByteArray &line)
{
    qint64 value = 0;
    int digits = 0;
    while (digits < line.size() && digits < 10 && line.at(digits) >= '0' && line.at(digits) <= '9') {
        value = value * 10 + (line.at(digits) - '0');
        ++digits;
    }
    return digits > 0 ? int(qMin<qint64>(value, 0x7fffffff)) : 0;
}

bool isContinuation(const QByteArray &line)
{
    return line.startsWith(' ') || (line.size() > 3 && line.at(3) == '-');
}

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

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": the port, 0 when unreadable.
quint16 passivePort(const QByteArray &reply)
{
    const QList<QByteArray> fields = reply.split(',');
    if (fields.size() < 6)
        return 0;
    QByteArray low = fields.at(5);
    const qsizetype close = low.indexOf(')');
    if (close >= 0)
        low.truncate(close);
    bool okHigh = false;
    bool okLow = false;
    const int high = fields.at(4).trimmed().toInt(&okHigh);
    const int lowValue = low.trimmed().toInt(&okLow);
    if (!okHigh || !okLow || high < 0 || high > 255 || lowValue < 0 || lowValue > 255)
        return 0;
    return quint16(high * 256 + lowValue);
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

QByteArray TFtpClient::readReplyLine()
{
    const QByteArray line = ReadLn();
    if (!line.isEmpty())
        StatusReport(1, text(line));
    return line;
}

void TFtpClient::readContinuation(QByteArray line, QByteArray *last)
{
    while (!line.isEmpty() && isContinuation(line)) {
        line = readReplyLine();
        if (last && !line.isEmpty())
            *last = line;
    }
}

QByteArray TFtpClient::Transaction(const QByteArray &command)
{
    m_replyNumber = 0;
    WriteLn(command);
    const QByteArray line = ReadLn();
    m_lastReply = line;
    if (!line.isEmpty()) {
        StatusReport(1, text(line));
        m_replyNumber = leadingNumber(line);
    }
    readContinuation(line, nullptr);
    return line;
}

void TFtpClient::refuse(const QByteArray &reply)
{
    if (OnConnectionFailed)
        OnConnectionFailed(*this);
    throw EFtpError(replyMessage(reply));
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
    // The greeting's code is that of its last line.
    const QByteArray first = readReplyLine();
    m_lastReply = first;
    QByteArray last = first;
    readContinuation(first, &last);
    m_replyNumber = last.isEmpty() ? 0 : leadingNumber(last);
    if (m_replyNumber > 400)
        refuse(last);

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
}

void TFtpClient::Disconnect()
{
    clearCancelled();
    if (!connected())
        return;
    StatusReport(1, u"QUIT"_s);
    Vendor = 2411;
    QByteArray reply;
    try {
        if (DataAvailable())
            ClearInput();
        if (!connected())
            return; // the server had already closed
        reply = Transaction("QUIT");
    } catch (...) {
        TAsyncSocket::Disconnect();
        throw;
    }
    TAsyncSocket::Disconnect();
    if (m_replyNumber > 300 && m_replyNumber < 600)
        throw EFtpError(replyMessage(reply));
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
        if (m_replyNumber <= 502 && m_replyNumber >= 500 && OnUnSupportedFunction)
            OnUnSupportedFunction(kind);
        bool handled = false;
        if (OnFailure)
            OnFailure(handled, kind);
        if (!handled)
            throw EFtpError(replyMessage(reply));
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
    if (Passive) {
        const QByteArray reply = Transaction("PASV");
        const quint16 port = passivePort(reply);
        // A 4xx or an unreadable port leaves nothing to connect to.
        if (m_replyNumber >= 400 || port == 0)
            throw EFtpError(replyMessage(reply));
        // The configured host, never the address in the reply: a server
        // behind NAT names one the client cannot (or must not) reach.
        m_data->Host = Host;
        m_data->Port = port;
        m_data->Connect();
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
    if (m_replyNumber > 300 && m_replyNumber < 600)
        throw EFtpError(replyMessage(reply));
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

    m_data = std::make_unique<TAsyncSocket>();
    m_data->TimeOut = TimeOut;
    m_data->OnPacketSent = OnPacketSent;
    m_data->OnWaitTurn = OnWaitTurn;
    // Whatever happens, the data connection ends with the store.
    struct DataGuard {
        std::unique_ptr<TAsyncSocket> &data;
        ~DataGuard() { data.reset(); }
    } guard{m_data};

    openDataConnection();

    const QString name = remoteName.isEmpty() ? QFileInfo(localFile).fileName() : remoteName;
    StatusReport(1, u"STOR "_s + name);
    const QByteArray reply = Transaction("STOR " + name.toUtf8());
    if (m_replyNumber > 300 && m_replyNumber < 600) {
        if (m_replyNumber >= 500 && m_replyNumber <= 502 && OnUnSupportedFunction)
            OnUnSupportedFunction(FtpKind::Store);
        throw EFtpError(replyMessage(reply));
    }

    if (!Passive)
        m_data->AdoptSocket(m_data->Accept());
    if (OnTransactionStart)
        OnTransactionStart(*this);
    if (!cancelled() && !timedOut())
        m_data->SendFile(localFile);
    if (OnTransactionStop)
        OnTransactionStop(*this);
    // Lingering off: the close must finish the file, not reset it.
    m_data->SetLinger(false);
    m_data->Close();

    // A store stopped before its confirmation did not succeed.
    if (cancelled() || timedOut())
        throw ESocketAborted(u"Socket send aborted"_s);
    const QByteArray final = readReplyLine();
    m_lastReply = final;
    m_replyNumber = final.isEmpty() ? 0 : leadingNumber(final);
    if (!cancelled() && !timedOut())
        readContinuation(final, nullptr);
    // The server has the last word on whether the file arrived.
    if (final.isEmpty())
        throw EFtpError(u"Connection closed before the transfer was confirmed"_s);
    if (m_replyNumber >= 400 && m_replyNumber <= 599)
        throw EFtpError(replyMessage(final));
    return true;
}
