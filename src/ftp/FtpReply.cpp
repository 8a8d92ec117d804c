#include "ftp/FtpReply.h"

#include <QList>

namespace ftpreply {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int code(const QByteArray &line)
{
    if (line.size() < 3 || line.at(0) < '1' || line.at(0) > '5' || !isDigit(line.at(1)) || !isDigit(line.at(2)))
        return 0;
    if (line.size() > 3) {
        const char next = line.at(3);
        if (next != ' ' && next != '-' && next != '\r' && next != '\n')
            return 0;
    }
    return (line.at(0) - '0') * 100 + (line.at(1) - '0') * 10 + (line.at(2) - '0');
}

bool opensMultiLine(const QByteArray &line)
{
    return code(line) != 0 && line.size() > 3 && line.at(3) == '-';
}

bool endsMultiLine(const QByteArray &line, int replyCode)
{
    if (code(line) != replyCode)
        return false;
    return line.size() == 3 || line.at(3) != '-';
}

QString text(const QByteArray &line)
{
    QByteArray trimmed = line;
    while (trimmed.endsWith('\n') || trimmed.endsWith('\r'))
        trimmed.chop(1);
    return QString::fromUtf8(trimmed);
}

QString quoted(const QByteArray &line)
{
    const QString whole = text(line);
    return whole.size() > 60 ? whole.left(60) + QStringLiteral("...") : whole;
}

QByteArray withoutSecrets(QByteArray line, const QList<QByteArray> &secrets)
{
    for (const QByteArray &secret : secrets) {
        if (!secret.isEmpty())
            line.replace(secret, "***");
    }
    return line;
}

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

ReplyLines::Outcome ReplyLines::add(const QByteArray &read)
{
    m_room -= read.size();
    if (m_room < 0)
        return Outcome::TooLong;
    if (read.isEmpty())
        return Outcome::Closed;
    // The code in front is the server's own, whatever the password.
    m_last = read.left(4) + withoutSecrets(read.mid(4), m_secrets);
    if (m_lines++ == 0) {
        m_first = m_last;
        m_code = ftpreply::code(m_first);
        if (m_code == 0)
            return Outcome::NotAReply;
        return opensMultiLine(m_first) ? Outcome::More : Outcome::Whole;
    }
    return endsMultiLine(m_last, m_code) ? Outcome::Whole : Outcome::More;
}

} // namespace ftpreply
