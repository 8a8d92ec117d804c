#include "gui/CertificateQuestion.h"

using namespace Qt::StringLiterals;

QString certificateQuestion(const QString &host, const platform::tls::PeerCertificate &certificate)
{
    return u"The FTP server %1 shows a certificate that is not trusted (%2).\n\n"
           "SHA-256 fingerprint:\n%3\n\nSubject: %4\nExpires: %5\n\n"
           "Trust this certificate from now on? Compare the fingerprint with the one your web host gives first."_s.arg(
               host.left(60), certificate.verifyError, certificate.fingerprint, certificate.subject.left(200),
               certificate.expires);
}
