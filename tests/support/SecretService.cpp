#include "support/SecretService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

using namespace Qt::StringLiterals;

SecretService::SecretService()
    : m_oldAddress(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
      m_hadAddress(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
{
    m_running = start();
}

SecretService::~SecretService()
{
    for (QProcess *p : {&m_keyring, &m_bus}) {
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
    if (m_hadAddress)
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_oldAddress);
    else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

bool SecretService::start()
{
    for (const char *program : {"/usr/bin/dbus-daemon", "/usr/bin/gnome-keyring-daemon"}) {
        if (!QFile::exists(QString::fromLatin1(program))) {
            m_error = u"%1 is missing (apt-get install dbus gnome-keyring)"_s.arg(QString::fromLatin1(program));
            return false;
        }
    }
    const QString address = u"unix:path="_s + m_folder.filePath(u"bus"_s);
    m_bus.start(u"/usr/bin/dbus-daemon"_s,
                {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--address="_s + address});
    QDeadlineTimer deadline(15000);
    while (!QFile::exists(m_folder.filePath(u"bus"_s)) && !deadline.hasExpired() &&
           m_bus.state() != QProcess::NotRunning)
        QThread::msleep(20);
    if (!QFile::exists(m_folder.filePath(u"bus"_s))) {
        m_error = u"dbus-daemon did not start: "_s + QString::fromUtf8(m_bus.readAllStandardError());
        return false;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
    for (const auto &[variable, folder] : {std::pair{u"HOME"_s, u"home"_s}, std::pair{u"XDG_DATA_HOME"_s, u"data"_s},
                                           std::pair{u"XDG_RUNTIME_DIR"_s, u"run"_s}}) {
        QDir().mkpath(m_folder.filePath(folder));
        env.insert(variable, m_folder.filePath(folder));
    }
    QFile::setPermissions(m_folder.filePath(u"run"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_keyring.setProcessEnvironment(env);
    // --unlock makes the login keyring with the password on stdin, unlocked.
    m_keyring.start(u"/usr/bin/gnome-keyring-daemon"_s, {u"--foreground"_s, u"--components=secrets"_s, u"--unlock"_s});
    if (!m_keyring.waitForStarted(5000)) {
        m_error = u"gnome-keyring-daemon did not start: "_s + m_keyring.errorString();
        return false;
    }
    m_keyring.write("test-password");
    m_keyring.waitForBytesWritten(5000);
    m_keyring.closeWriteChannel();

    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    const QString name = u"rankhold-test-secrets"_s;
    bool registered = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        while (!deadline.hasExpired() && m_keyring.state() == QProcess::Running && !registered) {
            registered = bus.isConnected() && bus.interface()->isServiceRegistered(u"org.freedesktop.secrets"_s);
            if (!registered)
                QThread::msleep(50);
        }
    }
    QDBusConnection::disconnectFromBus(name);
    if (!registered)
        m_error = u"gnome-keyring-daemon's Secret Service did not come up: "_s +
                  QString::fromUtf8(m_keyring.readAllStandardError());
    return registered;
}
