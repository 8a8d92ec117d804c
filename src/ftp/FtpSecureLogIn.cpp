// The TLS part of TFtpClient's log-in: AUTH TLS and the handshake before the
// user name leaves the machine, the certificate check, and PBSZ / PROT after
// the log-in so that every data connection is protected too.
#include "ftp/FtpClient.h"

#include "ftp/FtpReply.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

void TFtpClient::secureFailed(TlsFailure failure, const QString &cause)
{
    m_controlLost = true;
    if (OnSecureConnectionFailed)
        OnSecureConnectionFailed(*this, failure);
    throw EFtpSecureError(cause);
}

void TFtpClient::secureControl()
{
    try {
        Transaction("AUTH TLS");
        if (!ftpreply::accepted(ftpreply::Step::AuthTls, m_replyNumber)) {
            // Plain text goes on from here, so nothing more is said.
            secureFailed(TlsFailure::Refused, u"AUTH TLS refused: "_s + ftpreply::quoted(m_lastReply));
        }
        StartTls(Host);
    } catch (const EFtpSecureError &) {
        throw;
    } catch (const RankholdError &e) {
        const QString why = causeOf(e);
        secureFailed(TlsFailure::Handshake, why.isEmpty() ? u"TLS handshake failed"_s : why);
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
    secureFailed(TlsFailure::Certificate, u"certificate of %1 not trusted (%2); SHA-256 fingerprint %3"_s.arg(
                                              Host.left(60), m_certificate.verifyError, m_certificate.fingerprint));
}

void TFtpClient::protectData()
{
    using ftpreply::Step;
    for (const auto &[step, command] : {std::pair{Step::Pbsz, "PBSZ 0"}, std::pair{Step::Prot, "PROT P"}}) {
        try {
            Transaction(command);
        } catch (const RankholdError &e) {
            secureFailed(TlsFailure::Refused, causeOf(e));
        }
        if (!ftpreply::accepted(step, m_replyNumber)) {
            // Without PROT P the pages would travel in clear text.
            secureFailed(TlsFailure::Refused,
                         QString::fromLatin1(command) + u" refused: "_s + ftpreply::quoted(m_lastReply));
        }
    }
}

platform::tls::PeerCertificate TFtpClient::FetchCertificate()
{
    if (connected())
        Disconnect();
    m_controlLost = false;
    TAsyncSocket::Connect();
    const auto close = qScopeGuard([this] { dropControl(); });
    ftpreply::Reply greeting = readReply(u"greeting"_s);
    while (greeting.code >= 100 && greeting.code < 200)
        greeting = readReply(u"greeting"_s);
    if (!ftpreply::accepted(ftpreply::Step::Greeting, greeting.code))
        failStep(greeting);
    Transaction("AUTH TLS");
    if (!ftpreply::accepted(ftpreply::Step::AuthTls, m_replyNumber))
        throw EFtpSecureError(u"AUTH TLS refused: "_s + ftpreply::quoted(m_lastReply));
    StartTls(Host);
    return peerCertificate();
}
