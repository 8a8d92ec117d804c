#pragma once

#include "ftp/FtpClient.h"
#include "gamehost/GameHostAddress.h"
#include "gamehost/HostFolder.h"
#include "gamehost/HostLogIn.h"

class CommandHost;

// The game folder over FTP or FTP with TLS (the upload's rules: the
// certificate checked against the system's authorities, or pinned).
// Passive data connections, binary type.
class FtpHostFolder : public HostFolder
{
public:
    FtpHostFolder(const GameHostAddress &address, const HostLogIn &logIn, CommandHost &host);

    void open() override;
    void close() override;
    Entry stat(const QString &name) override;
    qint64 fetch(const QString &name, qint64 offset, const Sink &sink) override;
    void rename(const QString &from, const QString &to) override;
    void remove(const QString &name) override;
    void store(const QString &name, const QByteArray &bytes) override;
    void pause(int ms) override;
    bool isPermissionRefusal(const std::exception &error) const override;

    TFtpClient &client() { return m_client; }
    // The fingerprint the operator trusted in this log-in, to keep.
    QString trustedFingerprint() const { return m_client.TrustedFingerprint; }

private:
    GameHostAddress m_address;
    TFtpClient m_client;
};
