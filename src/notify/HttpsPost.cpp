#include "notify/HttpsPost.h"

#include "ftp/SocketErrors.h"
#include "platform/Sockets.h"
#include "platform/Tls.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>

using namespace Qt::StringLiterals;
namespace sockets = platform::sockets;
namespace tls = platform::tls;

namespace {

// A wait is cut into slices so that a cancel is noticed soon.
constexpr int kSliceMs = 100;
// An answer's head is a few hundred bytes; a server that sends more is not one.
constexpr qsizetype kLongestHead = 64 * 1024;

struct Failure {
    PostAnswer::End end;
    QString problem;
};

class Exchange
{
public:
    Exchange(const WebhookUrl &url, int timeOutMs, const std::atomic<bool> &cancelled)
        : m_url(url), m_timeOutMs(timeOutMs), m_deadline(timeOutMs), m_cancelled(cancelled)
    {
    }
    ~Exchange()
    {
        if (m_tls)
            m_tls->shutdown();
        m_tls.reset();
        if (m_socket != sockets::kNoSocket)
            sockets::closeSocket(m_socket);
    }
    Exchange(const Exchange &) = delete;
    Exchange &operator=(const Exchange &) = delete;

    void connect(std::shared_ptr<tls::Context> &context)
    {
        quint32 address = 0;
        int lookUpError = 0;
        if (!sockets::parseDotted(m_url.host, &address) && !sockets::lookUpHost(m_url.host, &address, &lookUpError))
            throw Failure{PostAnswer::End::Failed, u"%1: host not found (%2)"_s.arg(m_url.host).arg(lookUpError)};
        const QString where = sockets::dotted(address) + u':' + QString::number(m_url.port);
        m_socket = sockets::createTcp();
        if (m_socket == sockets::kNoSocket)
            throw Failure{PostAnswer::End::Failed, u"no socket: "_s + socketErrorMessage(sockets::lastError())};
        if (!sockets::startConnect(m_socket, address, m_url.port)) {
            const int error = sockets::lastError();
            if (error != sockets::kInProgress && error != sockets::kWouldBlock)
                throw Failure{PostAnswer::End::Failed, u"connect to %1: %2"_s.arg(where, socketErrorMessage(error))};
            waitFor(false, u"connect to "_s + where);
            if (const int result = sockets::connectResult(m_socket); result != 0)
                throw Failure{PostAnswer::End::Failed, u"connect to %1: %2"_s.arg(where, socketErrorMessage(result))};
        }
        if (!m_url.tls)
            return;
        QString error;
        if (!context)
            context = tls::Context::create(&error);
        if (context)
            m_tls = tls::Session::start(context, m_socket, m_url.host, nullptr, &error);
        if (!m_tls)
            throw Failure{PostAnswer::End::Failed, u"TLS: "_s + error};
        for (;;) {
            const tls::Step step = m_tls->handshake();
            if (step == tls::Step::Done)
                break;
            if (step != tls::Step::WantRead && step != tls::Step::WantWrite)
                throw Failure{PostAnswer::End::Failed, u"TLS handshake with %1 failed: %2"_s.arg(m_url.host, reason())};
            waitFor(step == tls::Step::WantRead, u"TLS handshake with "_s + m_url.host);
        }
        const tls::PeerCertificate certificate = m_tls->peerCertificate();
        if (!certificate.verified)
            throw Failure{PostAnswer::End::Failed,
                          u"certificate of %1 not trusted: %2"_s.arg(m_url.host, certificate.verifyError)};
    }

    void send(const QByteArray &bytes)
    {
        qint64 at = 0;
        while (at < bytes.size()) {
            qint64 n = 0;
            bool wantRead = false;
            if (m_tls) {
                tls::Step step = tls::Step::Done;
                n = m_tls->write(bytes.constData() + at, bytes.size() - at, &step);
                if (n == 0 && step != tls::Step::WantRead && step != tls::Step::WantWrite)
                    throw Failure{PostAnswer::End::Failed, u"sending to %1: %2"_s.arg(m_url.host, reason())};
                wantRead = step == tls::Step::WantRead;
            } else {
                n = sockets::send(m_socket, bytes.constData() + at, bytes.size() - at);
                if (n < 0 && sockets::lastError() != sockets::kWouldBlock)
                    throw Failure{PostAnswer::End::Failed,
                                  u"sending to %1: %2"_s.arg(m_url.host, socketErrorMessage(sockets::lastError()))};
            }
            if (n > 0)
                at += n;
            else
                waitFor(wantRead, u"sending to "_s + m_url.host);
        }
    }

    // The answer's status line and header lines, up to the empty line.
    QByteArray receiveHead()
    {
        QByteArray head;
        char buffer[4096];
        while (!head.contains("\r\n\r\n")) {
            if (head.size() > kLongestHead)
                throw Failure{PostAnswer::End::Failed, m_url.host + u" answered with a head of over 64 KB"_s};
            qint64 n = 0;
            bool closed = false;
            bool wantWrite = false;
            if (m_tls) {
                tls::Step step = tls::Step::Done;
                n = m_tls->read(buffer, sizeof buffer, false, &step);
                closed = n == 0 && step == tls::Step::Closed;
                if (n == 0 && step == tls::Step::Failed)
                    throw Failure{PostAnswer::End::Failed, u"reading from %1: %2"_s.arg(m_url.host, reason())};
                wantWrite = step == tls::Step::WantWrite;
            } else {
                n = sockets::receive(m_socket, buffer, sizeof buffer, false);
                closed = n == 0;
                if (n < 0 && sockets::lastError() != sockets::kWouldBlock)
                    throw Failure{PostAnswer::End::Failed,
                                  u"reading from %1: %2"_s.arg(m_url.host, socketErrorMessage(sockets::lastError()))};
            }
            if (n > 0) {
                head.append(buffer, n);
                continue;
            }
            if (closed) {
                if (head.contains("\r\n"))
                    break; // a head cut short still has its status line
                throw Failure{PostAnswer::End::Failed, m_url.host + u" closed the connection without an answer"_s};
            }
            waitFor(!wantWrite, u"answer from "_s + m_url.host);
        }
        return head;
    }

private:
    QString reason() const
    {
        if (!m_tls)
            return {};
        return m_tls->socketError() != 0 ? socketErrorMessage(m_tls->socketError()) : m_tls->failureText();
    }

    void waitFor(bool read, const QString &what)
    {
        for (;;) {
            if (m_cancelled.load())
                throw Failure{PostAnswer::End::Cancelled, what + u": cancelled"_s};
            const qint64 left = m_deadline.remainingTime();
            if (left <= 0)
                throw Failure{PostAnswer::End::TimedOut,
                              u"%1: no answer within %2 s"_s.arg(what).arg(double(m_timeOutMs) / 1000.0)};
            const int ready = sockets::waitReady(m_socket, read, !read, int(std::min<qint64>(left, kSliceMs)));
            if (ready != 0)
                return;
        }
    }

    const WebhookUrl &m_url;
    int m_timeOutMs;
    QDeadlineTimer m_deadline;
    const std::atomic<bool> &m_cancelled;
    sockets::Handle m_socket = sockets::kNoSocket;
    std::unique_ptr<tls::Session> m_tls;
};

QByteArray request(const WebhookUrl &url, const QByteArray &body)
{
    const bool defaultPort = url.port == (url.tls ? 443 : 80);
    const QByteArray host = url.host.toUtf8() + (defaultPort ? QByteArray() : ':' + QByteArray::number(url.port));
    return "POST " + url.target.toUtf8() + " HTTP/1.1\r\nHost: " + host +
           "\r\nUser-Agent: Rankhold\r\nContent-Type: application/json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void readHead(const QByteArray &head, PostAnswer &answer)
{
    const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
    const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    bool ok = false;
    answer.status = status.size() >= 2 && status[0].startsWith("HTTP/1.") ? status[1].toInt(&ok) : 0;
    if (!ok || answer.status < 100 || answer.status > 599) {
        answer = {PostAnswer::End::Failed, 0, std::nullopt, u"the answer is not HTTP"_s};
        return;
    }
    answer.end = PostAnswer::End::Answered;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare("Retry-After", Qt::CaseInsensitive) == 0)
            answer.retryAfter =
                parseRetryAfter(line.mid(colon + 1).trimmed(), QDateTime::currentDateTimeUtc().toSecsSinceEpoch());
    }
}

} // namespace

PostAnswer postJson(const WebhookUrl &url, const QByteArray &body, int timeOutMs, const std::atomic<bool> &cancelled,
                    std::shared_ptr<tls::Context> &context)
{
    PostAnswer answer;
    try {
        Exchange exchange(url, timeOutMs, cancelled);
        exchange.connect(context);
        exchange.send(request(url, body));
        readHead(exchange.receiveHead(), answer);
    } catch (const Failure &failure) {
        answer = {failure.end, 0, std::nullopt, failure.problem};
    }
    return answer;
}

std::optional<double> parseRetryAfter(const QByteArray &value, qint64 nowUtcSeconds)
{
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (ok && seconds >= 0)
        return seconds;
    // An HTTP date ends in "GMT", which Qt's reader of RFC 2822 dates takes as an offset only.
    QString text = QString::fromLatin1(value);
    if (text.endsWith(u" GMT"_s))
        text = text.chopped(3) + u"+0000"_s;
    const QDateTime when = QDateTime::fromString(text, Qt::RFC2822Date);
    if (!when.isValid())
        return std::nullopt;
    return double(std::max<qint64>(0, when.toSecsSinceEpoch() - nowUtcSeconds));
}
