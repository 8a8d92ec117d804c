#pragma once

#include "platform/Sockets.h"

#include <QString>
#include <memory>

// TLS over one of the non-blocking sockets of platform::sockets, client side
// only. Nothing here waits: every step either finishes or says which way the
// socket must become ready, and the caller polls as for plain sockets.
// Certificates are checked by OpenSSL itself, against its default verify
// paths (so SSL_CERT_FILE and SSL_CERT_DIR work as usual) and the host name.
namespace platform::tls {

enum class Step { Done, WantRead, WantWrite, Closed, Failed };

// The server's certificate as the operator needs to judge it.
struct PeerCertificate {
    QString fingerprint; // SHA-256 of the DER form, "AB:CD:..." (upper case)
    QString subject;     // "CN=ftp.example.org,O=Example"
    QString issuer;
    QString expires;       // "2031-05-01 12:00:00 UTC"
    bool verified = false; // chains to a trusted authority and names the host
    QString verifyError;   // OpenSSL's reason when not verified
};

// The settings shared by the connections of one server: the trusted
// authorities are read when it is made.
class Context
{
public:
    // Null with `error` set when OpenSSL cannot make one.
    static std::shared_ptr<Context> create(QString *error);
    // The same on a worker thread of a pool: what OpenSSL keeps for the
    // thread (its error queue, its random generators) is given back before
    // the thread goes back to the pool, where it may idle until the
    // program ends.
    static std::shared_ptr<Context> createOnWorker(QString *error);
    ~Context();
    Context(const Context &) = delete;
    Context &operator=(const Context &) = delete;

private:
    friend class Session;
    Context() = default;
    void *m_ctx = nullptr; // SSL_CTX, kept out of this header
};

class Session
{
public:
    // A client session on `socket` (connected, non-blocking) that checks the
    // certificate against `hostName` (a name or a dotted address). With
    // `resumeFrom`, it offers that session's parameters, as FTP servers want
    // for data connections. Null with `error` set on failure.
    static std::unique_ptr<Session> start(const std::shared_ptr<Context> &context, sockets::Handle socket,
                                          const QString &hostName, const Session *resumeFrom, QString *error);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    Step handshake();
    // Bytes read (> 0), or 0 with `step` saying why (Closed, WantRead, ...).
    qint64 read(char *buffer, qint64 size, bool peek, Step *step);
    // Bytes written (> 0), or 0 with `step`.
    qint64 write(const char *data, qint64 size, Step *step);
    // Sends the close notification; Done once it is on its way.
    Step shutdown();
    // The socket error behind the last Failed step (Winsock numbering), or 0
    // when the TLS layer itself failed; failureText() says what happened.
    int socketError() const { return m_socketError; }
    QString failureText() const { return m_failure; }
    // Valid once the handshake is done.
    PeerCertificate peerCertificate() const;
    bool resumed() const;

private:
    Session();
    Step classify(int result);

    struct Private;
    std::unique_ptr<Private> d;
    int m_socketError = 0;
    QString m_failure;
};

// "ab:cd..." or "ABCD..." (64 hex digits, with or without colons, any case)
// as "AB:CD:..."; empty when it is not a SHA-256 fingerprint.
QString normalizeFingerprint(const QString &text);

} // namespace platform::tls
