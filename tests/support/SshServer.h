#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// OpenSSH's sshd on 127.0.0.1 on a free port for the SFTP tests, with a
// host key and a user key made by ssh-keygen in a temporary folder; the user
// is the one who runs the tests, logging in with that key only. Check
// isRunning() (errorText() says why not, for GTEST_SKIP) before use.
class SshServer
{
public:
    SshServer();
    ~SshServer();
    SshServer(const SshServer &) = delete;
    SshServer &operator=(const SshServer &) = delete;

    bool isRunning() const;
    QString errorText() const { return m_error; }
    int port() const { return m_port; }
    QString user() const { return m_user; }
    // A folder of the user's that the tests serve as the game folder.
    QString root() const { return m_root; }
    // "sftp://user@127.0.0.1:port" + root()
    QString url() const;
    QString identityFile() const; // the user's private key
    // The host key as ssh-keygen -lf prints it ("256 SHA256:... (ED25519)").
    QString hostKeyLine() const { return m_hostKeyLine; }
    QString hostKeyFingerprint() const; // its "SHA256:..."
    // A known_hosts file naming this server's key, its name hashed or not;
    // with `otherKey`, a key of another host under this one's name.
    QString writeKnownHosts(bool hashed, bool otherKey = false);

private:
    bool start();
    bool keygen(const QStringList &arguments);

    QTemporaryDir m_folder;
    QProcess m_process;
    QString m_root;
    QString m_user;
    QString m_error;
    QString m_hostKeyLine;
    int m_port = 0;
    int m_knownHostsMade = 0;
};
