#pragma once

#include "ftp/AsyncSocket.h"
#include "ftp/FtpReplyRules.h"

#include <QStringList>
#include <memory>

// A refusal by the FTP server; the message is its reply line, and so is the
// cause unless a step says more (reply() is the whole reply).
class EFtpError : public ENetworkError
{
public:
    EFtpError(QString message, QString cause, int code = 0)
        : ENetworkError(std::move(message), std::move(cause)), m_code(code)
    {
    }
    // The reply's code; 0 when no reply came.
    int code() const noexcept { return m_code; }

private:
    int m_code = 0;
};

// A server whose answers are not FTP replies (no code, no end, too long).
class EFtpProtocolError : public ENetworkError
{
public:
    using ENetworkError::ENetworkError;
};

// TLS could not be set up or its certificate is not trusted; the log-in
// stopped before the user name was sent.
class EFtpSecureError : public EFtpError
{
public:
    explicit EFtpSecureError(const QString &cause) : EFtpError(cause, cause) {}
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
    // Throws (with its cause) when the server cannot be reached or refuses TLS.
    platform::tls::PeerCertificate FetchCertificate();

    void ChangeDir(const QString &directory);
    // Stores `localFile` as `remoteName` (its own name when that is empty).
    void Upload(const QString &localFile, const QString &remoteName);

    // The download side, for a game on another machine. Each throws
    // EFtpError with the reply when the server refuses.
    // TYPE I: every later transfer byte for byte (a server's default ASCII
    // type may change line ends).
    void SetBinary();
    // SIZE: the file's size in bytes, or -1 when the server says it has no
    // such file (550).
    qint64 Size(const QString &path);
    // MDTM: "YYYYMMDDhhmmss" (UTC); empty when the server has no such file
    // or no such command.
    QString ModTime(const QString &path);
    // RETR, from `offset` on (REST first when it is above 0): each piece goes
    // to `sink`; a sink that answers false abandons the rest of the file.
    // Returns the bytes received; each piece has the time-out.
    qint64 Download(const QString &path, qint64 offset, const std::function<bool(QByteArrayView)> &sink);
    // RNFR, RNTO.
    void Rename(const QString &from, const QString &to);
    // DELE.
    void Delete(const QString &path);
    // NLST: the names the server lists for `directory` (its current one
    // when empty), as it sends them.
    QStringList List(const QString &directory);

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
    // Reads one whole reply within one time-out, as the answer in `step`
    // ("reply to CWD"), and keeps it as the last one. A reply that never
    // came, is no reply or is too long throws (ENetworkError, its cause
    // naming the step), and the control connection counts as lost.
    ftpreply::Reply readReply(const QString &step);
    ftpreply::Reply readReplyLines(const QString &step);
    // Sends `line` and reads the answer; throws EFtpError when the table
    // does not accept it for `step`.
    ftpreply::Reply expect(ftpreply::Step step, const QByteArray &line);
    // The answer as judged for the log-in: a refusal raises OnConnectionFailed.
    void checkLogIn(ftpreply::Step step, const ftpreply::Reply &reply);
    [[noreturn]] void refuse(const ftpreply::Reply &reply);
    [[noreturn]] void failStep(const ftpreply::Reply &reply, const QString &cause = {});
    void commandWithEvents(ftpreply::Step step, const QString &command);
    bool store(const QString &localFile, const QString &remoteName);
    // A fresh data connection, passive or active, for `command`.
    void openDataConnection();
    void acceptDataConnection(const QString &command);
    // The data connection's TLS, checked against the control connection's.
    void secureData();
    void sendFile(const QString &localFile, const QString &name);
    // The data of a RETR or NLST that `line` asks for.
    qint64 receive(const QByteArray &line, const QString &what, const std::function<bool(QByteArrayView)> &sink);
    // TLS on the control connection, before USER.
    void secureControl();
    void checkCertificate();
    // PBSZ 0 and PROT P, after the log-in.
    void protectData();
    [[noreturn]] void secureFailed(TlsFailure failure, const QString &cause);
    // QUIT without waiting for its answer, then close: the server is gone,
    // silent or not speaking FTP.
    void dropControl();

    std::unique_ptr<TAsyncSocket> m_data;
    int m_replyNumber = 0;
    QByteArray m_lastReply;
    bool m_controlLost = false;
    platform::tls::PeerCertificate m_certificate;
};
