// The TLS part of TFtpClient's log-in: AUTH TLS and the handshake before the
// user name leaves the machine, the certificate check, and PBSZ / PROT after
// the log-in so that every data connection is protected too.
#include "ftp/FtpClient.h"

#include "ftp/FtpReply.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

void TFtpClient::secureFailed(TlsFailure failure)
{
    m_controlLost = true;
    if (OnSecureConnectionFailed)
        OnSecureConnectionFailed(*this, failure);
    throw EFtpSecureError(cause());
}

void TFtpClient::secureControl()
{
    try {
        const QByteArray reply = Transaction("AUTH TLS");
        if (m_replyNumber != 234) {
            // Plain text goes on from here, so nothing more is said.
            setCause(u"AUTH TLS refused: "_s + ftpreply::quoted(reply));
            secureFailed(TlsFailure::Refused);
        }
        StartTls(Host);
    } catch (const EFtpSecureError &) {
        throw;
    } catch (const RankholdError &) {
        if (cause().isEmpty())
            setCause(u"TLS handshake failed"_s);
        secureFailed(TlsFailure::Handshake);
    }
    checkCertificate();
}

void TFtpClient::checkCertificate()
{
    m_certificate = peerCertificate();
    const QString pinned = platform::tls::normalizeFingerprint(TrustedFingerprint);
    if (m_certificate.verified || (!pinned.isEmpty() && pinned == m_certificate.fingerprint))
        return;
    bool trust = false;
    if (OnUntrustedCertificate)
        OnUntrustedCertificate(m_certificate, trust);
    if (trust) {
        TrustedFingerprint = m_certificate.fingerprint;
        return;
    }
    setCause(u"certificate of %1 not trusted (%2); SHA-256 fingerprint %3"_s.arg(
        Host.left(60), m_certificate.verifyError, m_certificate.fingerprint));
    secureFailed(TlsFailure::Certificate);
}

void TFtpClient::protectData()
{
    for (const char *command : {"PBSZ 0", "PROT P"}) {
        QByteArray reply;
        try {
            reply = Transaction(command);
        } catch (const RankholdError &) {
            secureFailed(TlsFailure::Refused);
        }
        if (m_replyNumber < 200 || m_replyNumber > 299) {
            // Without PROT P the pages would travel in clear text.
            setCause(QString::fromLatin1(command) + u" refused: "_s + ftpreply::quoted(reply));
            secureFailed(TlsFailure::Refused);
        }
    }
}

platform::tls::PeerCertificate TFtpClient::FetchCertificate()
{
    if (connected())
        Disconnect();
    m_controlLost = false;
    setCause({});
    TAsyncSocket::Connect();
    const auto close = qScopeGuard([this] { dropControl(); });
    QByteArray greeting = readReply(u"greeting"_s);
    while (m_replyNumber >= 100 && m_replyNumber < 200)
        greeting = readReply(u"greeting"_s);
    if (m_replyNumber > 400) {
        setCause(ftpreply::text(greeting));
        throw EFtpError(ftpreply::text(greeting));
    }
    const QByteArray reply = Transaction("AUTH TLS");
    if (m_replyNumber != 234) {
        setCause(u"AUTH TLS refused: "_s + ftpreply::quoted(reply));
        throw EFtpSecureError(cause());
    }
    StartTls(Host);
    return peerCertificate();
}
