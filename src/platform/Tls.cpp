#include "platform/Tls.h"

#include <QStringList>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <pthread.h>

namespace platform::tls {

namespace {

SSL_CTX *ctxOf(void *p)
{
    return static_cast<SSL_CTX *>(p);
}

// The oldest queued OpenSSL error as text, and the queue emptied.
QString takeOpenSslError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return {};
    const char *reason = ERR_reason_error_string(code);
    if (reason)
        return QString::fromUtf8(reason);
    char text[256] = {};
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromUtf8(text);
}

QString nameText(const X509_NAME *name)
{
    BIO *bio = BIO_new(BIO_s_mem());
    if (!bio)
        return {};
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253);
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, qsizetype(size));
    BIO_free(bio);
    return text;
}

QString timeText(const ASN1_TIME *time)
{
    tm t{};
    if (!time || ASN1_TIME_to_tm(time, &t) != 1)
        return {};
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &t);
    return QString::fromLatin1(text);
}

// OpenSSL writes to the socket with write(), which raises SIGPIPE on a
// connection the peer has reset; the plain sockets send with MSG_NOSIGNAL.
// While one TLS call runs, SIGPIPE is blocked for this thread, and one it
// raised is taken back before the block ends: the call reports the broken
// pipe as its error instead.
class NoSigPipe
{
public:
    NoSigPipe()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    ~NoSigPipe()
    {
        if (!m_wasPending) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                const timespec now{0, 0};
                sigtimedwait(&m_pipe, nullptr, &now);
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    NoSigPipe(const NoSigPipe &) = delete;
    NoSigPipe &operator=(const NoSigPipe &) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_old;
    bool m_wasPending = false;
};

bool isDotted(const QString &host)
{
    quint32 unused = 0;
    return sockets::parseDotted(host, &unused);
}

} // namespace

struct Session::Private {
    std::shared_ptr<Context> context;
    SSL *ssl = nullptr;
};

std::shared_ptr<Context> Context::create(QString *error)
{
    std::shared_ptr<Context> context(new Context);
    SSL_CTX *ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) {
        *error = takeOpenSslError();
        return nullptr;
    }
    context->m_ctx = ctx;
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // A server that closes without its close notification has still closed.
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    // Verification runs and is recorded without stopping the handshake: the
    // caller decides, so that a pinned certificate can be accepted. Nothing
    // but the handshake crosses the connection before that decision.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    if (SSL_CTX_set_default_verify_paths(ctx) != 1)
        ERR_clear_error(); // no authorities at all: only pinned certificates pass
    return context;
}

std::shared_ptr<Context> Context::createOnWorker(QString *error)
{
    std::shared_ptr<Context> context = create(error);
    OPENSSL_thread_stop();
    return context;
}

Context::~Context()
{
    SSL_CTX_free(ctxOf(m_ctx));
}

Session::Session() : d(std::make_unique<Private>()) {}

Session::~Session()
{
    SSL_free(d->ssl);
}

std::unique_ptr<Session> Session::start(const std::shared_ptr<Context> &context, sockets::Handle socket,
                                        const QString &hostName, const Session *resumeFrom, QString *error)
{
    ERR_clear_error();
    std::unique_ptr<Session> session(new Session);
    session->d->context = context;
    SSL *ssl = SSL_new(ctxOf(context->m_ctx));
    if (!ssl) {
        *error = takeOpenSslError();
        return nullptr;
    }
    session->d->ssl = ssl;
    SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    const QByteArray host = hostName.toUtf8();
    bool named = false;
    if (isDotted(hostName)) {
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.constData()) == 1;
    } else {
        named = SSL_set1_host(ssl, host.constData()) == 1;
        // The name the server picks its certificate by.
        SSL_set_tlsext_host_name(ssl, host.constData());
    }
    if (!named || SSL_set_fd(ssl, socket) != 1) {
        *error = takeOpenSslError();
        if (error->isEmpty())
            *error = QStringLiteral("cannot check the certificate against \"%1\"").arg(hostName.left(60));
        return nullptr;
    }
    if (resumeFrom) {
        SSL_SESSION *previous = SSL_get1_session(resumeFrom->d->ssl);
        if (previous) {
            SSL_set_session(ssl, previous);
            SSL_SESSION_free(previous);
        }
    }
    return session;
}

Step Session::classify(int result)
{
    const int code = SSL_get_error(d->ssl, result);
    switch (code) {
    case SSL_ERROR_WANT_READ:
        return Step::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return Step::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        return Step::Closed;
    case SSL_ERROR_SYSCALL: {
        const int e = errno;
        m_failure = takeOpenSslError();
        if (m_failure.isEmpty() && e == 0)
            return Step::Closed;
        m_socketError = sockets::translateErrno(e);
        return Step::Failed;
    }
    default:
        m_socketError = 0;
        m_failure = takeOpenSslError();
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("TLS error %1").arg(code);
        return Step::Failed;
    }
}

Step Session::handshake()
{
    const NoSigPipe noSigPipe;
    ERR_clear_error();
    errno = 0;
    const int result = SSL_connect(d->ssl);
    return result == 1 ? Step::Done : classify(result);
}

qint64 Session::read(char *buffer, qint64 size, bool peek, Step *step)
{
    const NoSigPipe noSigPipe;
    ERR_clear_error();
    errno = 0;
    size_t n = 0;
    const int ok = peek ? SSL_peek_ex(d->ssl, buffer, size_t(size), &n) : SSL_read_ex(d->ssl, buffer, size_t(size), &n);
    if (ok == 1) {
        *step = Step::Done;
        return qint64(n);
    }
    *step = classify(0);
    return 0;
}

qint64 Session::write(const char *data, qint64 size, Step *step)
{
    const NoSigPipe noSigPipe;
    ERR_clear_error();
    errno = 0;
    size_t n = 0;
    if (SSL_write_ex(d->ssl, data, size_t(size), &n) == 1) {
        *step = Step::Done;
        return qint64(n);
    }
    *step = classify(0);
    return 0;
}

Step Session::shutdown()
{
    const NoSigPipe noSigPipe;
    ERR_clear_error();
    errno = 0;
    const int result = SSL_shutdown(d->ssl);
    // 0: our notification is sent; the peer's is not waited for.
    return result >= 0 ? Step::Done : classify(result);
}

PeerCertificate Session::peerCertificate() const
{
    PeerCertificate info;
    X509 *cert = SSL_get1_peer_certificate(d->ssl);
    if (!cert)
        return info;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(cert, EVP_sha256(), digest, &length) == 1) {
        QStringList bytes;
        for (unsigned int i = 0; i < length; ++i)
            bytes << QStringLiteral("%1").arg(digest[i], 2, 16, QLatin1Char('0')).toUpper();
        info.fingerprint = bytes.join(QLatin1Char(':'));
    }
    info.subject = nameText(X509_get_subject_name(cert));
    info.issuer = nameText(X509_get_issuer_name(cert));
    info.expires = timeText(X509_get0_notAfter(cert));
    const long result = SSL_get_verify_result(d->ssl);
    info.verified = result == X509_V_OK;
    if (!info.verified)
        info.verifyError = QString::fromUtf8(X509_verify_cert_error_string(result));
    X509_free(cert);
    return info;
}

bool Session::resumed() const
{
    return SSL_session_reused(d->ssl) == 1;
}

QString normalizeFingerprint(const QString &text)
{
    QString hex;
    for (const QChar c : text) {
        if (c == QLatin1Char(':') || c.isSpace())
            continue;
        const bool hexDigit = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                              (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
        if (!hexDigit)
            return {};
        hex.append(c.toUpper());
    }
    if (hex.size() != 64)
        return {};
    QStringList bytes;
    for (int i = 0; i < 64; i += 2)
        bytes << hex.mid(i, 2);
    return bytes.join(QLatin1Char(':'));
}

} // namespace platform::tls
