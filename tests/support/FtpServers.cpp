#include "support/FtpServers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kLoopback = u"127.0.0.1"_s;

QString supportScript(const QString &name)
{
    return QStringLiteral(RANKHOLD_TESTS_DIR) + u"/support/"_s + name;
}

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool runQuietly(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForStarted(5000))
        return false;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// -f: a session process of the user may still be ending.
void removeUser(const QString &name)
{
    for (int attempt = 0; attempt < 5 && !runQuietly(u"userdel"_s, {u"-f"_s, name}); ++attempt)
        QThread::msleep(100);
}

// Users left behind by a test run that was killed: their home has gone.
void removeStaleUsers()
{
    QFile passwd(u"/etc/passwd"_s);
    if (!passwd.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = QString::fromUtf8(passwd.readAll()).split(u'\n');
    for (const QString &line : lines) {
        const QStringList fields = line.split(u':');
        if (fields.size() > 5 && fields[0].startsWith(u"rhftp"_s) && !QFile::exists(fields[5]))
            removeUser(fields[0]);
    }
}

} // namespace

QString randomToken(int length)
{
    static const QString alphabet = u"abcdefghijklmnopqrstuvwxyz0123456789"_s;
    QString token;
    for (int i = 0; i < length; ++i)
        token.append(alphabet.at(QRandomGenerator::system()->bounded(int(alphabet.size()))));
    return token;
}

FtpServer::FtpServer() : m_root(m_folder.path() + u"/root"_s), m_user(u"ranker"_s), m_password(randomToken(16))
{
    QDir().mkpath(m_root);
}

FtpServer::~FtpServer()
{
    stop();
}

bool FtpServer::isRunning() const
{
    return m_port > 0 && m_process.state() == QProcess::Running;
}

QString FtpServer::host() const
{
    return kLoopback;
}

QString FtpServer::address() const
{
    return kLoopback + u':' + QString::number(m_port);
}

QString FtpServer::filePath(const QString &name) const
{
    return m_root + u'/' + name;
}

Settings FtpServer::settings(const QString &directory) const
{
    Settings s;
    s.ftpServer = address();
    s.ftpUser = m_user;
    s.ftpPassword = m_password;
    s.ftpDirectory = directory;
    return s;
}

void FtpServer::makeFolder(const QString &name)
{
    QDir(m_root).mkpath(name);
}

int startReportingPort(QProcess &process, const QString &program, const QStringList &arguments, QString *error)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        *error = program + u" did not start: "_s + process.errorString();
        return 0;
    }
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            if (line.startsWith("PORT "))
                return std::max(0, line.mid(5).toInt());
            continue;
        }
        if (process.state() != QProcess::Running)
            break;
        process.waitForReadyRead(100);
    }
    *error = program + u" did not report its port: "_s + QString::fromUtf8(process.readAllStandardError());
    return 0;
}

bool makeTestCertificate(const QString &folder, TestCertificate &c, QString *error)
{
    c.certificatePath = folder + u"/cert.pem"_s;
    c.keyPath = folder + u"/key.pem"_s;
    QProcess openssl;
    openssl.start(u"openssl"_s,
                  {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:prime256v1"_s,
                   u"-nodes"_s, u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=localhost/O=Rankhold tests"_s, u"-addext"_s,
                   u"subjectAltName=DNS:localhost"_s, u"-keyout"_s, c.keyPath, u"-out"_s, c.certificatePath});
    if (!openssl.waitForFinished(10000) || openssl.exitCode() != 0) {
        *error = u"openssl req failed: "_s + QString::fromUtf8(openssl.readAllStandardError());
        return false;
    }
    openssl.start(u"openssl"_s, {u"x509"_s, u"-noout"_s, u"-fingerprint"_s, u"-sha256"_s, u"-in"_s, c.certificatePath});
    if (!openssl.waitForFinished(10000) || openssl.exitCode() != 0)
        return false;
    // "sha256 Fingerprint=AB:CD:..."
    c.fingerprint = QString::fromUtf8(openssl.readAllStandardOutput()).trimmed().section(u'=', 1).toUpper();
    // vsftpd reads the key as its own user; root owns it.
    QFile::setPermissions(c.keyPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return !c.fingerprint.isEmpty();
}

bool FtpServer::startReportingPort(const QString &program, const QStringList &arguments)
{
    m_port = ::startReportingPort(m_process, program, arguments, &m_error);
    return m_port > 0;
}

bool FtpServer::makeCertificate()
{
    return makeTestCertificate(m_folder.path(), m_certificate, &m_error);
}

void FtpServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

PyFtpServer::PyFtpServer(qint64 throttleBytesPerSecond, bool tls)
{
    QStringList arguments{supportScript(u"ftp_server.py"_s),
                          u"--root"_s,
                          m_root,
                          u"--user"_s,
                          m_user,
                          u"--password"_s,
                          m_password,
                          u"--reader"_s,
                          readOnlyUser(),
                          m_password};
    if (throttleBytesPerSecond > 0)
        arguments << u"--throttle"_s << QString::number(throttleBytesPerSecond);
    if (tls) {
        if (!makeCertificate())
            return;
        arguments << u"--tls"_s << m_certificate.certificatePath << m_certificate.keyPath;
    }
    arguments << u"--log"_s << m_folder.path() + u"/commands.log"_s;
    startReportingPort(u"/usr/bin/python3"_s, arguments);
}

PyFtpServer::~PyFtpServer()
{
    stop();
}

QStringList PyFtpServer::commands() const
{
    QFile log(m_folder.path() + u"/commands.log"_s);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    // "... [ranker]@127.0.0.1:40000 <- USER ranker"
    QStringList received;
    for (const QString &line : QString::fromUtf8(log.readAll()).split(u'\n')) {
        const qsizetype arrow = line.indexOf(u" <- "_s);
        if (arrow >= 0)
            received << line.mid(arrow + 4).trimmed();
    }
    return received;
}

ScriptedFtpServer::ScriptedFtpServer(const QString &scenario)
{
    startReportingPort(u"/usr/bin/python3"_s, {supportScript(u"ftp_fake.py"_s), scenario, m_root});
}

ScriptedFtpServer::~ScriptedFtpServer()
{
    stop();
}

QStringList ScriptedFtpServer::commands() const
{
    QFile log(m_root + u"/commands.log"_s);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QString VsftpdServer::unavailableBecause()
{
    return geteuid() == 0
               ? QString()
               : u"skipped: the vsftpd tests add a system user and need root (run the tests as root or through sudo)"_s;
}

VsftpdServer::VsftpdServer(bool tls)
{
    removeStaleUsers();
    m_user = u"rhftp"_s + randomToken(8);
    if (!start(tls))
        stop();
}

VsftpdServer::~VsftpdServer()
{
    stop();
    if (m_userCreated)
        removeUser(m_user);
}

void VsftpdServer::makeFolder(const QString &name)
{
    FtpServer::makeFolder(name);
    runQuietly(u"chown"_s, {m_user, filePath(name)});
}

bool VsftpdServer::start(bool tls)
{
    if (!QFile::exists(u"/usr/sbin/vsftpd"_s)) {
        m_error = u"vsftpd is not installed"_s;
        return false;
    }
    // The user's home lies in our temporary folder, which it must be able to reach.
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther);
    if (!runQuietly(u"useradd"_s, {u"-M"_s, u"-d"_s, m_root, u"-s"_s, u"/bin/sh"_s, m_user})) {
        m_error = u"useradd failed (the vsftpd tests need root)"_s;
        return false;
    }
    m_userCreated = true;
    if (!runQuietly(u"chpasswd"_s, {}, (m_user + u':' + m_password + u'\n').toUtf8()) ||
        !runQuietly(u"chown"_s, {m_user, m_root})) {
        m_error = u"could not set up the user "_s + m_user;
        return false;
    }
    const QString empty = m_folder.path() + u"/empty"_s;
    QDir().mkpath(empty);
    // A greeting of several lines, one of them starting with another code.
    const QString banner = m_folder.path() + u"/banner.txt"_s;
    QFile bannerFile(banner);
    if (!bannerFile.open(QIODevice::WriteOnly))
        return false;
    bannerFile.write("Welcome to the Rankhold test server.\n230 users online is just text.\nBe nice.\n");
    bannerFile.close();
    QString tlsLines;
    if (tls) {
        if (!makeCertificate())
            return false;
        // OpenSSL 3 has none of vsftpd's default ciphers.
        tlsLines = u"ssl_enable=YES\nrsa_cert_file=%1\nrsa_private_key_file=%2\nssl_ciphers=HIGH\n"
                   "require_ssl_reuse=YES\nforce_local_logins_ssl=YES\nforce_local_data_ssl=YES\n"
                   "allow_anon_ssl=NO\nssl_tlsv1=YES\nssl_sslv2=NO\nssl_sslv3=NO\n"_s.arg(m_certificate.certificatePath,
                                                                                          m_certificate.keyPath);
    }

    // The port is free when probed and taken a moment later; try a few.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = freePort();
        const QString config = m_folder.path() + u"/vsftpd.conf"_s;
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        file.write(QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\n"
                                  "background=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
                                  "local_umask=022\npasv_enable=YES\npasv_address=127.0.0.1\nport_enable=YES\n"
                                  "connect_from_port_20=NO\nsecure_chroot_dir=%2\nseccomp_sandbox=NO\n"
                                  "isolate=NO\nisolate_network=NO\npam_service_name=vsftpd\nxferlog_enable=NO\n"
                                  "chroot_local_user=NO\ndelay_failed_login=0\nuserlist_enable=NO\ndual_log_enable=NO\n"
                                  "banner_file=%3\n%4")
                       .arg(port)
                       .arg(empty, banner, tlsLines)
                       .toUtf8());
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(u"/usr/sbin/vsftpd"_s, {config});
        if (!m_process.waitForStarted(5000)) {
            m_error = u"vsftpd did not start: "_s + m_process.errorString();
            return false;
        }
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost(kLoopback, quint16(port));
            if (probe.waitForConnected(200) && probe.waitForReadyRead(2000) && probe.readLine().startsWith("220")) {
                m_port = port;
                return true;
            }
            QThread::msleep(50);
        }
        m_error = u"vsftpd did not answer: "_s + QString::fromUtf8(m_process.readAll());
        stop();
    }
    return false;
}
