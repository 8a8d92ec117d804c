#include "gamehost/FtpHostFolder.h"

#include "common/CommandHost.h"

#include <QElapsedTimer>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

FtpHostFolder::FtpHostFolder(const GameHostAddress &address, const HostLogIn &logIn, CommandHost &host)
    : m_address(address)
{
    m_client.Host = address.host;
    m_client.Port = address.port;
    m_client.UseTls = address.kind == GameHostAddress::Kind::Ftps;
    m_client.UserID = address.user;
    m_client.Password = logIn.password;
    m_client.TrustedFingerprint = logIn.fingerprint;
    m_client.TimeOut = logIn.timeOutMs;
    // A game host is often behind a router: the client opens every connection.
    m_client.Passive = true;
    // A stop request ends every wait at its next turn, as for the upload.
    m_client.OnWaitTurn = [this, &host] {
        host.processEvents();
        if (host.stopRequested())
            m_client.Cancel();
    };
    m_client.OnUntrustedCertificate = [this, &host](const platform::tls::PeerCertificate &certificate, bool &trust) {
        trust = host.askTrustCertificate(m_client.Host, certificate);
    };
}

void FtpHostFolder::open()
{
    m_client.Connect();
    if (!m_address.folder.isEmpty())
        m_client.ChangeDir(m_address.folder);
    m_client.SetBinary();
}

void FtpHostFolder::close()
{
    try {
        m_client.Disconnect();
    } catch (const RankholdError &) {
        // Leaving a host that refuses QUIT or is gone changes nothing here.
    }
}

HostFolder::Entry FtpHostFolder::stat(const QString &name)
{
    Entry entry;
    entry.size = m_client.Size(name);
    entry.exists = entry.size >= 0;
    if (!entry.exists) {
        entry.size = 0;
        return entry;
    }
    entry.modTime = m_client.ModTime(name);
    return entry;
}

qint64 FtpHostFolder::fetch(const QString &name, qint64 offset, const Sink &sink)
{
    return m_client.Download(name, offset, sink);
}

void FtpHostFolder::rename(const QString &from, const QString &to)
{
    m_client.Rename(from, to);
}

void FtpHostFolder::remove(const QString &name)
{
    m_client.Delete(name);
}

void FtpHostFolder::store(const QString &name, const QByteArray &bytes)
{
    QTemporaryFile local;
    if (!local.open() || local.write(bytes) != bytes.size() || !local.flush())
        throw RankholdError(u"Cannot write a temporary file: %1"_s.arg(local.errorString()));
    m_client.Upload(local.fileName(), name);
}

void FtpHostFolder::pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (!m_client.waitTurn(TAsyncSocket::WantNothing, nullptr, 10))
            m_client.throwWaitEnded(u"waiting for the score file to stop growing"_s, {u"Timed out"_s, u"Canceled"_s});
    }
}

bool FtpHostFolder::isPermissionRefusal(const std::exception &error) const
{
    // 550 "Permission denied", 553 "not allowed", 532 "need account".
    const auto *ftp = dynamic_cast<const EFtpError *>(&error);
    return ftp && (ftp->code() == 550 || ftp->code() == 553 || ftp->code() == 532 || ftp->code() == 450);
}
