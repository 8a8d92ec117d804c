#include "platform/Ssh.h"

#include <QCryptographicHash>
#include <QFile>

#include <libssh2.h>
#include <libssh2_sftp.h>
#include <mutex>

using namespace Qt::StringLiterals;

namespace platform::ssh {

struct Session::Private {
    LIBSSH2_SESSION *session = nullptr;
    LIBSSH2_SFTP *sftp = nullptr;
    LIBSSH2_SFTP_HANDLE *file = nullptr;
    LIBSSH2_AGENT *agent = nullptr;
    libssh2_agent_publickey *identity = nullptr; // the agent key being tried
    bool agentListed = false;
    sockets::Handle socket = sockets::kNoSocket;
    bool authenticated = false;
    QString failure;
};

namespace {

void initialise()
{
    static std::once_flag once;
    std::call_once(once, [] { libssh2_init(0); });
}

QString sessionError(LIBSSH2_SESSION *session)
{
    char *message = nullptr;
    int length = 0;
    libssh2_session_last_error(session, &message, &length, 0);
    return message ? QString::fromUtf8(message, length) : QString();
}

} // namespace

Session::Session() : d(std::make_unique<Private>()) {}

Session::~Session()
{
    if (d->file)
        libssh2_sftp_close_handle(d->file);
    if (d->sftp)
        libssh2_sftp_shutdown(d->sftp);
    if (d->agent) {
        libssh2_agent_disconnect(d->agent);
        libssh2_agent_free(d->agent);
    }
    if (d->session)
        libssh2_session_free(d->session);
}

std::unique_ptr<Session> Session::start(sockets::Handle socket, QString *error)
{
    initialise();
    std::unique_ptr<Session> s(new Session);
    s->d->socket = socket;
    s->d->session = libssh2_session_init();
    if (!s->d->session) {
        *error = u"cannot start an SSH session"_s;
        return nullptr;
    }
    libssh2_session_set_blocking(s->d->session, 0);
    return s;
}

Step Session::classify(int result)
{
    if (result >= 0)
        return Step::Done;
    if (result == LIBSSH2_ERROR_EAGAIN) {
        const int directions = libssh2_session_block_directions(d->session);
        return (directions & LIBSSH2_SESSION_BLOCK_OUTBOUND) && !(directions & LIBSSH2_SESSION_BLOCK_INBOUND)
                   ? Step::WantWrite
                   : Step::WantRead;
    }
    d->failure = sessionError(d->session);
    return Step::Failed;
}

Step Session::sftpStep(int result)
{
    m_sftpStatus = 0;
    if (result == LIBSSH2_ERROR_SFTP_PROTOCOL && d->sftp) {
        m_sftpStatus = int(libssh2_sftp_last_error(d->sftp));
        d->failure = m_sftpStatus == kNoSuchFile         ? u"no such file"_s
                     : m_sftpStatus == kPermissionDenied ? u"permission denied"_s
                                                         : u"SFTP status %1"_s.arg(m_sftpStatus);
        return Step::Failed;
    }
    return classify(result);
}

Step Session::handshake()
{
    return classify(libssh2_session_handshake(d->session, d->socket));
}

HostKey Session::hostKey() const
{
    HostKey key;
    size_t length = 0;
    int type = 0;
    const char *blob = libssh2_session_hostkey(d->session, &length, &type);
    if (!blob)
        return key;
    key.blob = QByteArray(blob, qsizetype(length));
    switch (type) {
    case LIBSSH2_HOSTKEY_TYPE_RSA:
        key.type = u"RSA"_s;
        break;
    case LIBSSH2_HOSTKEY_TYPE_DSS:
        key.type = u"DSA"_s;
        break;
    case LIBSSH2_HOSTKEY_TYPE_ED25519:
        key.type = u"ED25519"_s;
        key.bits = 256;
        break;
    default:
        key.type = u"ECDSA"_s;
        key.bits = type == LIBSSH2_HOSTKEY_TYPE_ECDSA_256 ? 256 : type == LIBSSH2_HOSTKEY_TYPE_ECDSA_384 ? 384 : 521;
        break;
    }
    const QByteArray digest = QCryptographicHash::hash(key.blob, QCryptographicHash::Sha256);
    key.fingerprint = u"SHA256:"_s + QString::fromLatin1(digest.toBase64(QByteArray::OmitTrailingEquals));
    return key;
}

Known Session::checkKnownHosts(const QString &file, const QString &host, int port) const
{
    LIBSSH2_KNOWNHOSTS *hosts = libssh2_knownhost_init(d->session);
    if (!hosts)
        return Known::Unknown;
    QFile known(file);
    if (known.open(QIODevice::ReadOnly)) {
        // Line by line: a line this library cannot read (a key type it does
        // not know) must not hide the lines after it.
        while (!known.atEnd()) {
            const QByteArray line = known.readLine(64 * 1024);
            if (!line.trimmed().isEmpty() && !line.trimmed().startsWith('#'))
                libssh2_knownhost_readline(hosts, line.constData(), size_t(line.size()),
                                           LIBSSH2_KNOWNHOST_FILE_OPENSSH);
        }
    }
    size_t length = 0;
    int type = 0;
    const char *blob = libssh2_session_hostkey(d->session, &length, &type);
    int keyBits = LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
    switch (type) {
    case LIBSSH2_HOSTKEY_TYPE_RSA:
        keyBits = LIBSSH2_KNOWNHOST_KEY_SSHRSA;
        break;
    case LIBSSH2_HOSTKEY_TYPE_DSS:
        keyBits = LIBSSH2_KNOWNHOST_KEY_SSHDSS;
        break;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_256:
        keyBits = LIBSSH2_KNOWNHOST_KEY_ECDSA_256;
        break;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_384:
        keyBits = LIBSSH2_KNOWNHOST_KEY_ECDSA_384;
        break;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_521:
        keyBits = LIBSSH2_KNOWNHOST_KEY_ECDSA_521;
        break;
    case LIBSSH2_HOSTKEY_TYPE_ED25519:
        keyBits = LIBSSH2_KNOWNHOST_KEY_ED25519;
        break;
    }
    Known result = Known::Unknown;
    if (blob) {
        const QByteArray name = host.toUtf8();
        const int check =
            libssh2_knownhost_checkp(hosts, name.constData(), port, blob, length,
                                     LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | keyBits, nullptr);
        result = check == LIBSSH2_KNOWNHOST_CHECK_MATCH      ? Known::Match
                 : check == LIBSSH2_KNOWNHOST_CHECK_MISMATCH ? Known::Changed
                                                             : Known::Unknown;
    }
    libssh2_knownhost_free(hosts);
    return result;
}

Step Session::authKeyFile(const QString &user, const QString &privateKey, const QString &passphrase)
{
    const QByteArray u = user.toUtf8();
    const QByteArray key = QFile::encodeName(privateKey);
    const QByteArray phrase = passphrase.toUtf8();
    const int rc =
        libssh2_userauth_publickey_fromfile_ex(d->session, u.constData(), unsigned(u.size()), nullptr, key.constData(),
                                               phrase.isEmpty() ? nullptr : phrase.constData());
    d->authenticated = rc == 0;
    return classify(rc);
}

Step Session::authAgent(const QString &user, bool *agentTried)
{
    *agentTried = false;
    if (!d->agent) {
        d->agent = libssh2_agent_init(d->session);
        if (!d->agent || libssh2_agent_connect(d->agent) != 0) {
            d->failure = u"no ssh agent"_s;
            return Step::Failed;
        }
    }
    if (!d->agentListed) {
        if (libssh2_agent_list_identities(d->agent) != 0) {
            d->failure = u"the ssh agent lists no keys"_s;
            return Step::Failed;
        }
        d->agentListed = true;
        if (libssh2_agent_get_identity(d->agent, &d->identity, nullptr) != 0) {
            d->failure = u"the ssh agent holds no keys"_s;
            return Step::Failed;
        }
    }
    *agentTried = true;
    const QByteArray u = user.toUtf8();
    for (;;) {
        const int rc = libssh2_agent_userauth(d->agent, u.constData(), d->identity);
        if (rc == LIBSSH2_ERROR_EAGAIN)
            return classify(rc);
        if (rc == 0) {
            d->authenticated = true;
            return Step::Done;
        }
        // This key was not taken: the next one.
        libssh2_agent_publickey *next = nullptr;
        if (libssh2_agent_get_identity(d->agent, &next, d->identity) != 0) {
            d->failure = u"no key of the ssh agent was accepted"_s;
            return Step::Failed;
        }
        d->identity = next;
    }
}

Step Session::authPassword(const QString &user, const QString &password)
{
    const QByteArray u = user.toUtf8();
    const QByteArray p = password.toUtf8();
    const int rc = libssh2_userauth_password_ex(d->session, u.constData(), unsigned(u.size()), p.constData(),
                                                unsigned(p.size()), nullptr);
    d->authenticated = rc == 0;
    return classify(rc);
}

bool Session::authenticated() const
{
    return d->authenticated;
}

Step Session::startSftp()
{
    d->sftp = libssh2_sftp_init(d->session);
    if (d->sftp)
        return Step::Done;
    return classify(libssh2_session_last_errno(d->session));
}

Step Session::stat(const QString &path, FileInfo *info)
{
    const QByteArray p = path.toUtf8();
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    const int rc = libssh2_sftp_stat_ex(d->sftp, p.constData(), unsigned(p.size()), LIBSSH2_SFTP_STAT, &attributes);
    if (rc == 0) {
        info->size = qint64(attributes.filesize);
        info->modified = qint64(attributes.mtime);
    }
    return sftpStep(rc);
}

Step Session::openRead(const QString &path, qint64 offset)
{
    const QByteArray p = path.toUtf8();
    d->file =
        libssh2_sftp_open_ex(d->sftp, p.constData(), unsigned(p.size()), LIBSSH2_FXF_READ, 0, LIBSSH2_SFTP_OPENFILE);
    if (!d->file)
        return sftpStep(libssh2_session_last_errno(d->session));
    libssh2_sftp_seek64(d->file, quint64(offset));
    return Step::Done;
}

Step Session::openWrite(const QString &path)
{
    const QByteArray p = path.toUtf8();
    d->file =
        libssh2_sftp_open_ex(d->sftp, p.constData(), unsigned(p.size()),
                             LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_TRUNC, 0644, LIBSSH2_SFTP_OPENFILE);
    if (!d->file)
        return sftpStep(libssh2_session_last_errno(d->session));
    return Step::Done;
}

qint64 Session::read(char *buffer, qint64 size, Step *step)
{
    const ssize_t n = libssh2_sftp_read(d->file, buffer, size_t(size));
    if (n >= 0) {
        *step = Step::Done;
        return n;
    }
    *step = sftpStep(int(n));
    return -1;
}

qint64 Session::write(const char *data, qint64 size, Step *step)
{
    const ssize_t n = libssh2_sftp_write(d->file, data, size_t(size));
    if (n >= 0) {
        *step = Step::Done;
        return n;
    }
    *step = sftpStep(int(n));
    return -1;
}

Step Session::closeFile()
{
    if (!d->file)
        return Step::Done;
    const int rc = libssh2_sftp_close_handle(d->file);
    if (rc == LIBSSH2_ERROR_EAGAIN)
        return classify(rc);
    d->file = nullptr;
    return sftpStep(rc);
}

Step Session::rename(const QString &from, const QString &to)
{
    const QByteArray f = from.toUtf8();
    const QByteArray t = to.toUtf8();
    return sftpStep(libssh2_sftp_rename_ex(
        d->sftp, f.constData(), unsigned(f.size()), t.constData(), unsigned(t.size()),
        LIBSSH2_SFTP_RENAME_OVERWRITE | LIBSSH2_SFTP_RENAME_ATOMIC | LIBSSH2_SFTP_RENAME_NATIVE));
}

Step Session::remove(const QString &path)
{
    const QByteArray p = path.toUtf8();
    return sftpStep(libssh2_sftp_unlink_ex(d->sftp, p.constData(), unsigned(p.size())));
}

Step Session::disconnect()
{
    if (d->file) {
        const Step closed = closeFile();
        if (closed == Step::WantRead || closed == Step::WantWrite)
            return closed;
        d->file = nullptr;
    }
    if (d->sftp) {
        const int rc = libssh2_sftp_shutdown(d->sftp);
        if (rc == LIBSSH2_ERROR_EAGAIN)
            return classify(rc);
        d->sftp = nullptr;
    }
    return classify(libssh2_session_disconnect(d->session, "Rankhold is done"));
}

QString Session::failureText() const
{
    return d->failure;
}

QString normalizeHostKeyFingerprint(const QString &text)
{
    // "256 SHA256:abc... comment (ED25519)" as ssh-keygen -lf prints it, or the key alone.
    const qsizetype at = text.indexOf(u"SHA256:"_s);
    if (at < 0)
        return {};
    QString key = text.mid(at).section(u' ', 0, 0).trimmed();
    while (key.endsWith(u'='))
        key.chop(1);
    return key.size() > 7 ? key : QString();
}

} // namespace platform::ssh
