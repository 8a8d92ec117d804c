#pragma once

#include "platform/Sockets.h"

#include <QByteArray>
#include <QString>
#include <memory>

// SSH and SFTP over one of the non-blocking sockets of platform::sockets,
// client side only, through libssh2. Nothing here waits: every step either
// finishes or says which way the socket must become ready, and the caller
// calls the same step again after polling, as for TLS.
namespace platform::ssh {

enum class Step { Done, WantRead, WantWrite, Failed };

// The server's host key as the operator judges it.
struct HostKey {
    QByteArray blob;     // the key as the server sent it
    QString type;        // "ED25519", "RSA", "ECDSA" as ssh-keygen -l names it
    int bits = 0;        // 256 for ED25519, as ssh-keygen -l prints it
    QString fingerprint; // "SHA256:" + base64 of its SHA-256, without padding
};

enum class Known { Match, Changed, Unknown };

// An SFTP file's attributes.
struct FileInfo {
    qint64 size = 0;
    qint64 modified = 0; // seconds since 1970, UTC
};

class Session
{
public:
    // A session on `socket` (connected, non-blocking); null with `error` set.
    static std::unique_ptr<Session> start(sockets::Handle socket, QString *error);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    Step handshake();
    // Valid once the handshake is done.
    HostKey hostKey() const;
    // The key against an OpenSSH known_hosts file (hashed names too); a
    // missing file knows nothing. "[host]:port" for a port other than 22.
    Known checkKnownHosts(const QString &file, const QString &host, int port) const;

    // The log-in. Each is a step: call again while it wants the socket.
    Step authKeyFile(const QString &user, const QString &privateKey, const QString &passphrase);
    // The keys of the running ssh agent, one after the other; Failed when
    // there is none or none is taken (`agentTried` says whether one answered).
    Step authAgent(const QString &user, bool *agentTried);
    Step authPassword(const QString &user, const QString &password);
    bool authenticated() const;

    Step startSftp();
    // SFTP steps on `path`. A Failed step's sftpStatus() says why
    // (2 no such file, 3 permission denied).
    Step stat(const QString &path, FileInfo *info);
    // One file at a time is open.
    Step openRead(const QString &path, qint64 offset);
    Step openWrite(const QString &path);
    // Bytes read (0 at the end), or -1 with `step` set.
    qint64 read(char *buffer, qint64 size, Step *step);
    qint64 write(const char *data, qint64 size, Step *step);
    Step closeFile();
    Step rename(const QString &from, const QString &to);
    Step remove(const QString &path);
    Step disconnect();

    // What the last Failed step says: libssh2's error, with the SFTP status.
    QString failureText() const;
    int sftpStatus() const { return m_sftpStatus; }

private:
    Session();
    Step classify(int result);
    Step sftpStep(int result);

    struct Private;
    std::unique_ptr<Private> d;
    int m_sftpStatus = 0;
};

// The SFTP status codes the caller tells apart.
inline constexpr int kNoSuchFile = 2;
inline constexpr int kPermissionDenied = 3;

// "SHA256:..." as written by an operator (ssh-keygen -lf output pasted, or
// with the padding): the part to compare, empty when it is none.
QString normalizeHostKeyFingerprint(const QString &text);

} // namespace platform::ssh
