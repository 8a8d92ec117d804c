#pragma once

#include "ftp/AsyncSocket.h"
#include "gamehost/GameHostAddress.h"
#include "gamehost/HostFolder.h"
#include "gamehost/HostLogIn.h"
#include "platform/Ssh.h"

#include <memory>

class CommandHost;

// A refusal or failure of the SSH layer; `status` is the SFTP status of a
// refused file operation (platform::ssh::kPermissionDenied, ...), 0 otherwise.
class ESshError : public ENetworkError
{
public:
    ESshError(const QString &cause, int status = 0) : ENetworkError(cause, cause), m_status(status) {}
    int status() const noexcept { return m_status; }

private:
    int m_status;
};

// The host key is not one the operator trusts: the connection stopped
// before any password or key was offered.
class EHostKeyError : public ESshError
{
public:
    using ESshError::ESshError;
};

// The game folder over SFTP. The socket is the socket layer's own, so its
// connect, its time-out and its one wait serve SSH as they serve FTP; every
// libssh2 step is polled by that wait. The host key is checked against
// known_hosts (or the pinned fingerprint) before any credential leaves.
class SftpHostFolder : public HostFolder
{
public:
    SftpHostFolder(const GameHostAddress &address, const HostLogIn &logIn, CommandHost &host);
    ~SftpHostFolder() override;

    void open() override;
    void close() override;
    Entry stat(const QString &name) override;
    qint64 fetch(const QString &name, qint64 offset, const Sink &sink) override;
    void rename(const QString &from, const QString &to) override;
    void remove(const QString &name) override;
    void store(const QString &name, const QByteArray &bytes) override;
    void pause(int ms) override;
    bool isPermissionRefusal(const std::exception &error) const override;

    // Connects and shakes hands only: the host key and whether it is
    // trusted (empty reason) or why not. Offers no credential.
    platform::ssh::HostKey fetchHostKey(QString *untrustedBecause);

private:
    void connectAndCheck();
    // Runs one libssh2 step until it is done, polled by the socket's wait.
    template <typename Step> void run(const QString &what, Step step);
    void logIn();
    // The reason the host key is not trusted; empty when it is.
    QString judgeHostKey(const platform::ssh::HostKey &key) const;

    GameHostAddress m_address;
    HostLogIn m_logIn;
    TAsyncSocket m_socket;
    std::unique_ptr<platform::ssh::Session> m_ssh;
};

// ~/.ssh/known_hosts of the user.
QString defaultKnownHostsFile();
