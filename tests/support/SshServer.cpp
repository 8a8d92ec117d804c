#include "support/SshServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kSshd = u"/usr/sbin/sshd"_s;

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QString run(const QString &program, const QStringList &arguments, bool *ok)
{
    QProcess p;
    p.start(program, arguments);
    *ok = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

} // namespace

SshServer::SshServer() : m_root(m_folder.path() + u"/game"_s)
{
    const passwd *pw = ::getpwuid(::getuid());
    m_user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
    QDir().mkpath(m_root);
    if (!start())
        m_process.kill();
}

SshServer::~SshServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool SshServer::keygen(const QStringList &arguments)
{
    bool ok = false;
    const QString output = run(u"ssh-keygen"_s, arguments, &ok);
    if (!ok)
        m_error = u"ssh-keygen failed: "_s + output;
    return ok;
}

bool SshServer::start()
{
    if (!QFile::exists(kSshd)) {
        m_error = u"no OpenSSH server here (/usr/sbin/sshd; Debian's openssh-server)"_s;
        return false;
    }
    if (m_user.isEmpty()) {
        m_error = u"the user running the tests has no name"_s;
        return false;
    }
    const QString dir = m_folder.path();
    if (!keygen({u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, dir + u"/host_key"_s}) ||
        !keygen({u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, dir + u"/user_key"_s}) ||
        !keygen({u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, dir + u"/other_key"_s}))
        return false;
    bool ok = false;
    m_hostKeyLine = run(u"ssh-keygen"_s, {u"-lf"_s, dir + u"/host_key.pub"_s}, &ok);
    QFile::copy(dir + u"/user_key.pub"_s, dir + u"/authorized_keys"_s);
    // sshd wants its privilege separation folder even for one test server.
    if (::geteuid() == 0)
        QDir().mkpath(u"/run/sshd"_s);

    m_port = freePort();
    QFile config(dir + u"/sshd_config"_s);
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2/host_key\nPidFile %2/sshd.pid\n"
                                "AuthorizedKeysFile %2/authorized_keys\nStrictModes no\nUsePAM no\n"
                                "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                "PermitRootLogin prohibit-password\nSubsystem sftp internal-sftp\nLogLevel ERROR\n")
                     .arg(m_port)
                     .arg(dir)
                     .toUtf8());
    config.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // sshd must be started by its absolute path (it runs itself again).
    m_process.start(kSshd, {u"-D"_s, u"-e"_s, u"-f"_s, config.fileName()});
    if (!m_process.waitForStarted(5000)) {
        m_error = u"sshd did not start: "_s + m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(u"127.0.0.1"_s, quint16(m_port));
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    m_error = u"sshd did not listen: "_s + QString::fromUtf8(m_process.readAll()).left(500);
    m_port = 0;
    return false;
}

bool SshServer::isRunning() const
{
    return m_port > 0 && m_process.state() == QProcess::Running;
}

QString SshServer::url() const
{
    return u"sftp://%1@127.0.0.1:%2%3"_s.arg(m_user).arg(m_port).arg(m_root);
}

QString SshServer::identityFile() const
{
    return m_folder.path() + u"/user_key"_s;
}

QString SshServer::hostKeyFingerprint() const
{
    return m_hostKeyLine.section(u' ', 1, 1);
}

QString SshServer::writeKnownHosts(bool hashed, bool otherKey)
{
    QFile key(m_folder.path() + (otherKey ? u"/other_key.pub"_s : u"/host_key.pub"_s));
    key.open(QIODevice::ReadOnly);
    const QString keyText = QString::fromUtf8(key.readAll()).section(u' ', 0, 1);
    const QString path = m_folder.path() + u"/known_hosts."_s + QString::number(++m_knownHostsMade);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("[127.0.0.1]:%1 %2\n").arg(m_port).arg(keyText).toUtf8());
    file.close();
    if (hashed) {
        bool ok = false;
        run(u"ssh-keygen"_s, {u"-H"_s, u"-f"_s, path}, &ok);
        QFile::remove(path + u".old"_s);
    }
    return path;
}
