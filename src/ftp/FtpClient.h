#pragma once

#include "ftp/AsyncSocket.h"

#include <memory>

// A refusal by the FTP server; the message is its reply line.
class EFtpError : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

enum TFirewallType { fwUser, fwOpen, fwSite };

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

    std::function<void(bool &handled)> OnAuthenticationNeeded;
    std::function<void(TFtpClient &)> OnTransactionStart;
    std::function<void(TFtpClient &)> OnTransactionStop;
    std::function<void(int kind)> OnSuccess;
    std::function<void(bool &handled, int kind)> OnFailure;
    std::function<void(int kind)> OnUnSupportedFunction;

    // Logs in; does nothing when already connected.
    void Connect() override;
    // Logs out ("QUIT"); a refusal is thrown after the connection is closed.
    void Disconnect() override;
    QByteArray Transaction(const QByteArray &command) override;
    // Cancels the wait of the data connection, when a store is running.
    void Abort() override;

    void ChangeDir(const QString &directory);
    // Stores `localFile` as `remoteName` (its own name when that is empty).
    void Upload(const QString &localFile, const QString &remoteName);

    bool hasDataConnection() const { return m_data != nullptr; }
    // Bytes sent on the current data connection (0 when there is none).
    quint32 BytesSent() const { return m_data ? m_data->bytesSent() : 0; }
    int replyNumber() const { return m_replyNumber; }
    // The first line of the last reply, with its line end.
    QByteArray lastReply() const { return m_lastReply; }

protected:
    void socketConnected() override {}

private:
    void logIn();
    QByteArray readReplyLine();
    void readContinuation(QByteArray line, QByteArray *last);
    void checkLogIn(const QByteArray &reply);
    [[noreturn]] void refuse(const QByteArray &reply);
    void commandWithEvents(const QString &command);
    bool store(const QString &localFile, const QString &remoteName);
    void openDataConnection();

    std::unique_ptr<TAsyncSocket> m_data;
    int m_replyNumber = 0;
    QByteArray m_lastReply;
};
