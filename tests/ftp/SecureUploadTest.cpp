#include "UploadFixture.h"

#include "ftp/FtpClient.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {

// SSL_CERT_FILE for the span of one case: the client reads it when it
// makes its TLS context, at each connect.
class TrustedFile
{
public:
    explicit TrustedFile(const QString &path)
        : m_old(qgetenv("SSL_CERT_FILE")), m_had(qEnvironmentVariableIsSet("SSL_CERT_FILE"))
    {
        if (path.isEmpty())
            qunsetenv("SSL_CERT_FILE");
        else
            qputenv("SSL_CERT_FILE", path.toLocal8Bit());
    }
    ~TrustedFile()
    {
        if (m_had)
            qputenv("SSL_CERT_FILE", m_old);
        else
            qunsetenv("SSL_CERT_FILE");
    }

private:
    QByteArray m_old;
    bool m_had;
};

enum class Trust { Authority, Pin, Nothing };

struct SecureCase {
    const char *name;
    bool byName; // "localhost" (the certificate's name) or 127.0.0.1
    Trust trust;
    bool ok;
};

const SecureCase kCases[] = {
    {"trusted_authority", true, Trust::Authority, true},   {"pinned", true, Trust::Pin, true},
    {"pinned_whatever_the_name", false, Trust::Pin, true}, {"untrusted", true, Trust::Nothing, false},
    {"wrong_host_name", false, Trust::Authority, false},
};

} // namespace

// One vsftpd that insists on TLS everywhere and on session reuse, for all cases.
class SecureVsftpd : public UploadFixture, public ::testing::WithParamInterface<SecureCase>
{
protected:
    static void SetUpTestSuite()
    {
        if (VsftpdServer::unavailableBecause().isEmpty())
            server = new VsftpdServer(true);
    }
    void SetUp() override
    {
        if (const QString why = VsftpdServer::unavailableBecause(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    static VsftpdServer *server;
};

VsftpdServer *SecureVsftpd::server = nullptr;

TEST_P(SecureVsftpd, ChecksTheCertificateBeforeTheLogIn)
{
    ASSERT_TRUE(server->isRunning()) << server->errorText().toStdString();
    const SecureCase &c = GetParam();
    removePagesFrom(*server); // the server serves every case
    TrustedFile trusted(c.trust == Trust::Authority ? server->certificate().certificatePath : QString());
    TFtpClient &client = uploader.ftpClient();
    // Any case and no colons: the operator pastes it as it comes.
    if (c.trust == Trust::Pin)
        writeFile(programFolder.filePath(u"Rankhold.ini"_s),
                  "[FTPSettings]\r\nfingerprint=" +
                      server->certificate().fingerprint.toLower().remove(u':').toLatin1() + "\r\n");
    Settings settings = server->settings();
    settings.ftpServer = (c.byName ? u"ftps://localhost:"_s : u"ftps://127.0.0.1:"_s) + QString::number(server->port());
    writeAllPages();
    writePage(0, 50000); // 2 MB in several pieces

    // The window keeps turning through context, handshakes and transfers.
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0)
            longestGap = std::max(longestGap, now - last);
        last = now;
    });
    clock.start();
    probe.start();
    const UploadOutcome outcome = uploadTo(settings);
    EXPECT_EQ(outcome.ok, c.ok) << outcome.cause.toStdString();
    probe.stop();
    EXPECT_LT(longestGap, 100);

    const QStringList before = c.byName ? QStringList{kStarting, kHostFound} : QStringList{kStarting};
    if (c.ok) {
        EXPECT_EQ(host.activityTexts, before + (QStringList{kConnected, kStarted, kOk}));
        for (int i = 0; i < 7; ++i)
            expectStored(*server, i);
    } else {
        EXPECT_EQ(host.activityTexts, before + (QStringList{kNotTrusted}));
        EXPECT_TRUE(outcome.cause.contains(server->certificate().fingerprint)) << outcome.cause.toStdString();
        EXPECT_EQ(client.certificate().fingerprint, server->certificate().fingerprint);
        EXPECT_TRUE(client.certificate().subject.contains(u"CN=localhost"_s));
        EXPECT_FALSE(client.certificate().expires.isEmpty());
        EXPECT_FALSE(stored(*server, 0));
    }
    EXPECT_FALSE(client.connected());
}

INSTANTIATE_TEST_SUITE_P(Trust, SecureVsftpd, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SecureCase> &param) {
                             return std::string(param.param.name);
                         });

// pyftpdlib's TLS handler: the pages arrive; an untrusted certificate stops
// the log-in before the user name is sent.
class SecurePyftpdlib : public UploadFixture
{
protected:
    PyFtpServer server{0, true};
};

TEST_F(SecurePyftpdlib, TrustedOnceAskedSendsNoUserWhenNotTrusted)
{
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    TrustedFile trusted({});
    Settings settings = server.settings();
    settings.ftpServer = u"ftps://"_s + server.address();
    const QString ini = programFolder.filePath(u"Rankhold.ini"_s);
    writeAllPages();

    EXPECT_FALSE(uploadTo(settings).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kNotTrusted}));
    EXPECT_EQ(host.certificateQuestions, QStringList{server.certificate().fingerprint});
    EXPECT_FALSE(QFile::exists(ini));
    const QStringList first = server.commands();
    EXPECT_EQ(first.value(0), u"AUTH TLS"_s);
    for (const QString &line : first)
        EXPECT_FALSE(line.startsWith(u"USER"_s) || line.startsWith(u"PASS"_s)) << line.toStdString();

    // Yes in the box: the upload goes on and the fingerprint is kept.
    host.activityTexts.clear();
    host.trustCertificates = true;
    const UploadOutcome outcome = uploadTo(settings);
    EXPECT_TRUE(outcome.ok) << outcome.cause.toStdString();
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kConnected, kStarted, kOk}));
    EXPECT_TRUE(readFile(ini).contains("fingerprint=" + server.certificate().fingerprint.toLatin1()));
    for (int i = 0; i < 7; ++i)
        expectStored(server, i);
    const QStringList commands = server.commands();
    EXPECT_EQ(commands.mid(commands.lastIndexOf(u"AUTH TLS"_s), 6),
              (QStringList{u"AUTH TLS"_s, u"USER "_s + server.user(), u"PASS ******"_s, u"PBSZ 0"_s, u"PROT P"_s,
                           u"PASV"_s}));
}

// A server that refuses TLS, or says yes and does not speak it, never sees
// the user name or the password.
TEST_F(UploadFixture, NoLogInWhenTheServerWillNotSpeakTls)
{
    for (const QString &scenario : {u"auth500"_s, u"auth_no_tls"_s}) {
        ScriptedFtpServer server(scenario);
        ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
        uploader.setTimeOut(3000);
        host.activityTexts.clear();
        Settings settings = server.settings();
        settings.ftpServer = u"ftps://"_s + server.address();
        const UploadOutcome outcome = uploadTo(settings);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kSecureFailed})) << scenario.toStdString();
        const QStringList commands = server.commands();
        EXPECT_FALSE(commands.isEmpty());
        EXPECT_EQ(commands.value(0), u"AUTH TLS"_s);
        for (const QString &line : commands)
            EXPECT_FALSE(line.startsWith(u"USER"_s) || line.startsWith(u"PASS"_s)) << line.toStdString();
        EXPECT_FALSE(outcome.cause.isEmpty());
    }
}

// What `rankhold-cli ftp-fingerprint` shows: the certificate, whoever signed
// it, with no log-in.
TEST_F(SecurePyftpdlib, FetchCertificateLogsNothingIn)
{
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    TFtpClient client;
    client.Host = server.host();
    client.Port = server.port();
    client.TimeOut = 5000;
    const platform::tls::PeerCertificate certificate = client.FetchCertificate();
    EXPECT_EQ(certificate.fingerprint, server.certificate().fingerprint);
    EXPECT_FALSE(certificate.verified);
    EXPECT_TRUE(certificate.subject.contains(u"O=Rankhold tests"_s)) << certificate.subject.toStdString();
    EXPECT_FALSE(client.connected());
    for (const QString &line : server.commands())
        EXPECT_FALSE(line.startsWith(u"USER"_s)) << line.toStdString();

    ScriptedFtpServer plain(u"auth500"_s);
    client.Port = plain.port();
    try {
        client.FetchCertificate();
        ADD_FAILURE() << "no error";
    } catch (const EFtpSecureError &e) {
        EXPECT_TRUE(e.cause().contains(u"AUTH TLS refused: 500"_s)) << e.cause().toStdString();
    }
}
