// The download side of TFtpClient: what a game on another machine needs of
// its host (the size and time of the score file, its bytes from an offset,
// renaming and deleting it, a listing).
#include "ftp/FtpClient.h"

#include "ftp/FtpReply.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

// The answer of SIZE or MDTM: "213 <value>".
QString valueOf(const QByteArray &firstLine)
{
    return ftpreply::text(firstLine).mid(4).trimmed();
}

} // namespace

void TFtpClient::SetBinary()
{
    CheckConnection();
    expect(ftpreply::Step::Type, "TYPE I");
}

qint64 TFtpClient::Size(const QString &path)
{
    CheckConnection();
    Transaction("SIZE " + path.toUtf8());
    const ftpreply::Reply reply{m_replyNumber, m_lastReply};
    if (reply.code == 550)
        return -1;
    if (!ftpreply::accepted(ftpreply::Step::Size, reply.code))
        failStep(reply, u"SIZE "_s + path.left(60) + u": "_s + reply.text());
    bool ok = false;
    const qint64 size = valueOf(reply.firstLine).toLongLong(&ok);
    if (!ok || size < 0)
        throw EFtpProtocolError(u"Not a size: "_s + ftpreply::quoted(reply.firstLine),
                                u"SIZE "_s + path.left(60) + u": not a size: "_s + ftpreply::quoted(reply.firstLine));
    return size;
}

QString TFtpClient::ModTime(const QString &path)
{
    CheckConnection();
    Transaction("MDTM " + path.toUtf8());
    const ftpreply::Reply reply{m_replyNumber, m_lastReply};
    // No such file, or a server without MDTM: the size alone must do.
    if (!ftpreply::accepted(ftpreply::Step::ModTime, reply.code))
        return {};
    return valueOf(reply.firstLine).left(14);
}

void TFtpClient::Rename(const QString &from, const QString &to)
{
    CheckConnection();
    expect(ftpreply::Step::RenameFrom, "RNFR " + from.toUtf8());
    expect(ftpreply::Step::RenameTo, "RNTO " + to.toUtf8());
}

void TFtpClient::Delete(const QString &path)
{
    CheckConnection();
    expect(ftpreply::Step::Delete, "DELE " + path.toUtf8());
}

qint64 TFtpClient::Download(const QString &path, qint64 offset, const std::function<bool(QByteArrayView)> &sink)
{
    clearCancelled();
    CheckConnection();
    if (DataAvailable())
        ClearInput();
    const auto dropData = qScopeGuard([this] { m_data.reset(); });
    openDataConnection();
    if (offset > 0)
        expect(ftpreply::Step::Restart, "REST " + QByteArray::number(offset));
    return receive("RETR " + path.toUtf8(), u"RETR "_s + path.left(60), sink);
}

QStringList TFtpClient::List(const QString &directory)
{
    clearCancelled();
    CheckConnection();
    if (DataAvailable())
        ClearInput();
    const auto dropData = qScopeGuard([this] { m_data.reset(); });
    openDataConnection();
    QByteArray names;
    receive(directory.isEmpty() ? QByteArray("NLST") : "NLST " + directory.toUtf8(), u"NLST"_s,
            [&names](QByteArrayView piece) {
                names.append(piece);
                return names.size() < ftpreply::kMaxReplyBytes * 16;
            });
    QStringList list;
    for (QByteArray line : names.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            list.append(QString::fromUtf8(line));
    }
    return list;
}

qint64 TFtpClient::receive(const QByteArray &line, const QString &what, const std::function<bool(QByteArrayView)> &sink)
{
    Transaction(line);
    const ftpreply::Reply first{m_replyNumber, m_lastReply};
    if (!ftpreply::accepted(ftpreply::Step::Retrieve, first.code))
        failStep(first, what + u": "_s + first.text());
    bool stopped = false;
    qint64 received = 0;
    try {
        if (!Passive && !UseTls)
            acceptDataConnection(QString::fromUtf8(line));
        if (UseTls)
            secureData();
        received = m_data->ReceiveAll(sink, &stopped);
    } catch (ESocketTimedOut &e) {
        m_controlLost = true;
        e.setCause(what + u": no data "_s + timeOutText());
        throw;
    } catch (ENetworkError &e) {
        m_controlLost = true;
        e.prefixCause(what);
        throw;
    }
    // Abandoned: the connection is reset, and whatever the server says to
    // that (426, or 226 when it had sent everything) closes the exchange.
    m_data->Close();
    const ftpreply::Reply last = readReply(u"reply to "_s + what);
    if (!stopped && !ftpreply::accepted(ftpreply::Step::RetrieveEnd, last.code))
        failStep(last, what + u": "_s + last.text());
    return received;
}
