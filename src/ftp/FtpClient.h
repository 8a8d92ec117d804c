#pragma once

#include "ftp/AsyncSocket.h"

#include <memory>

// A refusal by the FTP server; the message is its reply line.
class EFtpError : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// A server whose answers are not FTP replies (no code, no end, too long).
class EFtpProtocolError : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// TLS could not be set up or its certificate is not trusted; the log-in
// stopped before the user name was sent.
class EFtpSecureError : public EFtpError
{
public:
    using EFtpError::EFtpError;
};

enum TFirewallType { fwUser, fwOpen, fwSite };

// Why the secure log-in failed: AUTH TLS (or PBSZ, PROT) refused, the
// handshake failed, or the certificate is not trusted.
enum class TlsFailure { Refused, Handshake, Certificate };

// What an operation was, as handed to OnSuccess, OnFailure and OnUnSupportedFunction.
namespace FtpKind {
inline constexpr int ChangeDir = 0;
inline constexpr int MakeDir = 1;
inline constexpr int Delete = 2;
inline constexpr int RemoveDir = 3;
inline constexpr int Store = 9;
inline constexpr int Other = 14;
inline constexpr int PrintDir = 15;
} // namespace FtpKind

// The FTP client: its own socket is the control connection; each store makes
// a temporary data connection (active or passive). Every operation returns
// when the exchange is over and keeps the GUI alive while it waits.
class TFtpClient : public TAsyncSocket
{
public:
    TFtpClient();
    ~TFtpClient() override;

    QString UserID;
    QString Password;
    bool Passive = false;
    TFirewallType FirewallType = fwUser;
    QString FWUserID;
    QString FWPassword;
    bool FWAuthenticate = false;
    int Vendor = 2411;
    bool ParseList = false;
    // Explicit TLS: AUTH TLS after the greeting, the handshake before USER,
    // then PBSZ 0 and PROT P; data connections are passive and TLS too.
    bool UseTls = false;
    // SHA-256 fingerprint of a certificate trusted whatever its issuer
    // (hex, with or without colons, any case).
    QString TrustedFingerprint;

    std::function<void(bool &handled)> OnAuthenticationNeeded;
    std::function<void(TFtpClient &)> OnTransactionStart;
    std::function<void(TFtpClient &)> OnTransactionStop;
    std::function<void(int kind)> OnSuccess;
    std::function<void(bool &handled, int kind)> OnFailure;
    std::function<void(int kind)> OnUnSupportedFunction;
    // A certificate that neither the system's authorities nor
    // TrustedFingerprint vouch for: set `trust` to go on with it (its
    // fingerprint becomes TrustedFingerprint).
    std::function<void(const platform::tls::PeerCertificate &, bool &trust)> OnUntrustedCertificate;
    // Called instead of OnConnectionFailed when the secure log-in failed.
    std::function<void(TFtpClient &, TlsFailure)> OnSecureConnectionFailed;

    // Logs in; does nothing when already connected.
    void Connect() override;
    // Logs out ("QUIT"); a refusal is thrown after the connection is closed.
    void Disconnect() override;
    QByteArray Transaction(const QByteArray &command) override;
    // Cancels the wait of the data connection, when a store is running.
    void Abort() override;

    // Connects, sets up TLS and returns the server's certificate, without
    // judging it and without logging in; the connection is closed again.
    // Throws (with cause()) when the server cannot be reached or refuses TLS.
    platform::tls::PeerCertificate FetchCertificate();

    void ChangeDir(const QString &directory);
    // Stores `localFile` as `remoteName` (its own name when that is empty).
    void Upload(const QString &localFile, const QString &remoteName);

    bool hasDataConnection() const { return m_data != nullptr; }
    // Bytes sent on the current data connection (0 when there is none).
    quint32 BytesSent() const { return m_data ? m_data->bytesSent() : 0; }
    int replyNumber() const { return m_replyNumber; }
    // The first line of the last reply, with its line end.
    QByteArray lastReply() const { return m_lastReply; }
    // The server's certificate of the current (or last) secure log-in.
    const platform::tls::PeerCertificate &certificate() const { return m_certificate; }

protected:
    void socketConnected() override {}

private:
    void logIn();
    // Reads one whole reply within one time-out and returns its first line;
    // sets the reply number. A reply that never came, is no reply or is too
    // long throws, and the control connection counts as lost.
    QByteArray readReply(const QString &step);
    QByteArray readReplyLines(const QString &step);
    void checkLogIn(const QByteArray &reply);
    [[noreturn]] void refuse(const QByteArray &reply);
    void commandWithEvents(const QString &command);
    bool store(const QString &localFile, const QString &remoteName);
    void openDataConnection();
    void acceptDataConnection(const QString &name);
    void sendFile(const QString &localFile, const QString &name);
    // TLS on the control connection, before USER.
    void secureControl();
    void checkCertificate();
    // PBSZ 0 and PROT P, after the log-in.
    void protectData();
    [[noreturn]] void secureFailed(TlsFailure failure);
    // QUIT without waiting for its answer, then close: the server is gone,
    // silent or not speaking FTP.
    void dropControl();

    std::unique_ptr<TAsyncSocket> m_data;
    int m_replyNumber = 0;
    QByteArray m_lastReply;
    bool m_controlLost = false;
    platform::tls::PeerCertificate m_certificate;
};
