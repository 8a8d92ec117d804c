#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The lines of FTP replies, as the FTP standard has them: "nnn text" is a
// whole reply; "nnn-text" opens one that ends at the first line starting
// with the same three digits and a blank, every line between being text.
namespace ftpreply {

// A reply may hold this many bytes; far above any real one.
inline constexpr qint64 kMaxReplyBytes = 1024 * 1024;

// The code of a line that starts a reply (100 to 599, then a blank, "-" or
// the line end), or 0 when the line is no reply line.
int code(const QByteArray &line);
// "nnn-": more lines follow.
bool opensMultiLine(const QByteArray &line);
// The last line of a multi-line reply that `code` opened.
bool endsMultiLine(const QByteArray &line, int code);
// The line without its line end.
QString text(const QByteArray &line);
// The line without its line end, cut to about 60 characters: a hostile
// server's text quoted in a message.
QString quoted(const QByteArray &line);
// The line with every occurrence of each secret (a password the client
// sent) made "***": a server that quotes the command it refused must not
// put the password into a message, a status report or a log.
QByteArray withoutSecrets(QByteArray line, const QList<QByteArray> &secrets);
// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": the port, 0 when unreadable.
quint16 passivePort(const QByteArray &reply);

// One reply put together from the lines of the control connection as they
// come: its first line gives the code, and a multi-line reply runs to its
// closing line, every line between being text. What it holds is counted
// against kMaxReplyBytes. Every line is kept with the secrets made ***
// after its code (withoutSecrets).
class ReplyLines
{
public:
    enum class Outcome {
        More,      // the reply goes on
        Whole,     // the reply is complete
        NotAReply, // the first line has no code
        TooLong,   // more than kMaxReplyBytes
        Closed,    // the connection ended before the reply did
    };

    explicit ReplyLines(QList<QByteArray> secrets) : m_secrets(std::move(secrets)) {}

    // `line` as read, its line end included; empty when the peer closed.
    // Nothing more may be added once the outcome is not More.
    Outcome add(const QByteArray &read);
    // The most the next line may hold.
    qint64 room() const { return m_room; }
    int code() const { return m_code; }
    const QByteArray &firstLine() const { return m_first; }
    const QByteArray &lastLine() const { return m_last; }

private:
    QList<QByteArray> m_secrets;
    qint64 m_room = kMaxReplyBytes;
    int m_code = 0;
    int m_lines = 0;
    QByteArray m_first, m_last;
};

} // namespace ftpreply
