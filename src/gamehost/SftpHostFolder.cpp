#include "gamehost/SftpHostFolder.h"

#include "common/CommandHost.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>

using namespace Qt::StringLiterals;
namespace ssh = platform::ssh;

namespace {

const TAsyncSocket::WaitTexts kTexts{u"SSH timed out"_s, u"SSH canceled"_s};

QString where(const GameHostAddress &a)
{
    return a.port == 22 ? a.host : u"[%1]:%2"_s.arg(a.host).arg(a.port);
}

} // namespace

QString defaultKnownHostsFile()
{
    return QDir::homePath() + u"/.ssh/known_hosts"_s;
}

SftpHostFolder::SftpHostFolder(const GameHostAddress &address, const HostLogIn &logIn, CommandHost &host)
    : m_address(address), m_logIn(logIn)
{
    m_socket.Host = address.host;
    m_socket.Port = address.port;
    m_socket.TimeOut = logIn.timeOutMs;
    m_socket.OnWaitTurn = [this, &host] {
        host.processEvents();
        if (host.stopRequested())
            m_socket.Cancel();
    };
}

SftpHostFolder::~SftpHostFolder()
{
    m_ssh.reset();
}

template <typename Step> void SftpHostFolder::run(const QString &what, Step step)
{
    const TAsyncSocket::TimedWait timed(m_socket);
    for (;;) {
        const ssh::Step s = step();
        if (s == ssh::Step::Done)
            return;
        if (s == ssh::Step::Failed)
            throw ESshError(what + u": "_s + m_ssh->failureText(), m_ssh->sftpStatus());
        if (!m_socket.waitTurn(s == ssh::Step::WantWrite ? TAsyncSocket::WantWrite : TAsyncSocket::WantRead))
            m_socket.throwWaitEnded(what, kTexts);
    }
}

QString SftpHostFolder::judgeHostKey(const ssh::HostKey &key) const
{
    const QString shown = u"%1 (%2)"_s.arg(key.fingerprint, key.type);
    const QString pinned = ssh::normalizeHostKeyFingerprint(m_logIn.hostKey);
    const QString trustHow =
        u"If it is the game host's key (ssh-keygen -lf on the host's /etc/ssh/ssh_host_*_key.pub shows it), "
        "add it with: ssh-keyscan -p %1 %2 >> ~/.ssh/known_hosts, or set hostkey=%3 in [GameHost] of Rankhold.ini"_s
            .arg(m_address.port)
            .arg(m_address.host, key.fingerprint);
    if (!pinned.isEmpty()) {
        if (pinned == key.fingerprint)
            return {};
        return u"the host key of %1 is %2, not the pinned %3. %4"_s.arg(where(m_address), shown, pinned, trustHow);
    }
    const QString file = m_logIn.knownHosts.isEmpty() ? defaultKnownHostsFile() : m_logIn.knownHosts;
    switch (m_ssh->checkKnownHosts(file, m_address.host, m_address.port)) {
    case ssh::Known::Match:
        return {};
    case ssh::Known::Changed:
        return u"the host key of %1 has CHANGED: it is now %2, and %3 knows another. Someone may be between you "
               "and the host, or the host got new keys. Only when you know why: remove the old line with "
               "ssh-keygen -R '%1', then trust the new key. %4"_s.arg(where(m_address), shown, file, trustHow);
    case ssh::Known::Unknown:
        break;
    }
    return u"the host key of %1 is not known (%2 does not name it): %3. %4"_s.arg(where(m_address), file, shown,
                                                                                  trustHow);
}

void SftpHostFolder::connectAndCheck()
{
    m_ssh.reset();
    if (m_socket.connected())
        m_socket.Disconnect();
    m_socket.Connect();
    QString error;
    m_ssh = ssh::Session::start(m_socket.handle(), &error);
    if (!m_ssh)
        throw ESshError(u"SSH: "_s + error);
    run(u"SSH handshake with "_s + where(m_address), [this] { return m_ssh->handshake(); });
}

ssh::HostKey SftpHostFolder::fetchHostKey(QString *untrustedBecause)
{
    connectAndCheck();
    const ssh::HostKey key = m_ssh->hostKey();
    *untrustedBecause = judgeHostKey(key);
    close();
    return key;
}

void SftpHostFolder::open()
{
    connectAndCheck();
    // Nothing of the log-in leaves before the host is known to be the one.
    const QString untrusted = judgeHostKey(m_ssh->hostKey());
    if (!untrusted.isEmpty()) {
        close();
        throw EHostKeyError(untrusted);
    }
    logIn();
    run(u"SFTP"_s, [this] { return m_ssh->startSftp(); });
}

void SftpHostFolder::logIn()
{
    QStringList tried;
    const QString user = m_address.user;
    auto attempt = [&](const QString &what, auto step) {
        try {
            run(u"log-in"_s, step);
            return true;
        } catch (const ESshError &) {
            tried.append(what + u" ("_s + m_ssh->failureText() + u')');
            return false;
        }
    };
    if (!m_logIn.identityFile.isEmpty() && attempt(u"the key "_s + m_logIn.identityFile, [&] {
            return m_ssh->authKeyFile(user, m_logIn.identityFile, m_logIn.password);
        }))
        return;
    if (qEnvironmentVariableIsSet("SSH_AUTH_SOCK")) {
        bool agentTried = false;
        if (attempt(u"the ssh agent"_s, [&] { return m_ssh->authAgent(user, &agentTried); }))
            return;
    }
    if (!m_logIn.password.isEmpty() &&
        attempt(u"the password"_s, [&] { return m_ssh->authPassword(user, m_logIn.password); }))
        return;
    if (tried.isEmpty())
        tried.append(u"nothing: no key (--game-identity or identity= of [GameHost]), no ssh agent, no password "
                     "(RANKHOLD_GAME_PASSWORD or --game-password-file)"_s);
    throw ESshError(u"log-in as %1 on %2 refused; tried %3"_s.arg(user, where(m_address), tried.join(u", "_s)));
}

void SftpHostFolder::close()
{
    if (m_ssh) {
        // A few turns for a polite goodbye; a host that is gone is simply left.
        QElapsedTimer clock;
        clock.start();
        for (ssh::Step s = m_ssh->disconnect();
             (s == ssh::Step::WantRead || s == ssh::Step::WantWrite) && clock.elapsed() < 500;
             s = m_ssh->disconnect()) {
            if (!m_socket.waitTurn(s == ssh::Step::WantWrite ? TAsyncSocket::WantWrite : TAsyncSocket::WantRead))
                break;
        }
        m_ssh.reset();
    }
    if (m_socket.connected())
        m_socket.Disconnect();
}

HostFolder::Entry SftpHostFolder::stat(const QString &name)
{
    Entry entry;
    ssh::FileInfo info;
    try {
        run(u"stat "_s + name, [&] { return m_ssh->stat(m_address.path(name), &info); });
    } catch (const ESshError &e) {
        if (e.status() == ssh::kNoSuchFile)
            return entry;
        throw;
    }
    entry.exists = true;
    entry.size = info.size;
    entry.modTime = QDateTime::fromSecsSinceEpoch(info.modified, Qt::UTC).toString(u"yyyyMMddhhmmss"_s);
    return entry;
}

qint64 SftpHostFolder::fetch(const QString &name, qint64 offset, const Sink &sink)
{
    const QString what = u"reading "_s + name;
    run(what, [&] { return m_ssh->openRead(m_address.path(name), offset); });
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        qint64 n = 0;
        run(what, [&] {
            ssh::Step step = ssh::Step::Done;
            n = m_ssh->read(buffer.data(), buffer.size(), &step);
            return step;
        });
        if (n == 0)
            break;
        total += n;
        if (!sink(QByteArrayView(buffer.constData(), n)))
            break;
    }
    run(what, [&] { return m_ssh->closeFile(); });
    return total;
}

void SftpHostFolder::rename(const QString &from, const QString &to)
{
    run(u"renaming "_s + from, [&] { return m_ssh->rename(m_address.path(from), m_address.path(to)); });
}

void SftpHostFolder::remove(const QString &name)
{
    run(u"deleting "_s + name, [&] { return m_ssh->remove(m_address.path(name)); });
}

void SftpHostFolder::store(const QString &name, const QByteArray &bytes)
{
    const QString what = u"writing "_s + name;
    run(what, [&] { return m_ssh->openWrite(m_address.path(name)); });
    qint64 done = 0;
    while (done < bytes.size()) {
        qint64 n = 0;
        run(what, [&] {
            ssh::Step step = ssh::Step::Done;
            n = m_ssh->write(bytes.constData() + done, bytes.size() - done, &step);
            return step;
        });
        done += n;
    }
    run(what, [&] { return m_ssh->closeFile(); });
}

void SftpHostFolder::pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (!m_socket.waitTurn(TAsyncSocket::WantNothing, nullptr, 10))
            m_socket.throwWaitEnded(u"waiting for the score file to stop growing"_s, kTexts);
    }
}

bool SftpHostFolder::isPermissionRefusal(const std::exception &error) const
{
    const auto *e = dynamic_cast<const ESshError *>(&error);
    return e && e->status() == ssh::kPermissionDenied;
}
