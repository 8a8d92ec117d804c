#pragma once

#include "settings/Settings.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// FTP servers on 127.0.0.1 for end-to-end tests. Each starts on a free port
// in its constructor, with one user, a random password and a writable root
// folder, and stops when destroyed. Check isRunning() (errorText() says why
// not) before use:
//
//     PyFtpServer server;
//     ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
//     uploader.upload(server.settings(), pagesFolder);
//     EXPECT_TRUE(QFile::exists(server.filePath(u"rankhold_kills.html"_s)));
// A self-signed certificate for the name "localhost" (not for 127.0.0.1),
// made with the openssl command.
struct TestCertificate {
    QString certificatePath;
    QString keyPath;
    QString fingerprint; // SHA-256, "AB:CD:..."
};

// Makes a TestCertificate in `folder`; false with `error` set.
bool makeTestCertificate(const QString &folder, TestCertificate &certificate, QString *error);
// Starts `program` and waits for its "PORT <n>" line: the port, or 0 with `error` set.
int startReportingPort(QProcess &process, const QString &program, const QStringList &arguments, QString *error);

class FtpServer
{
public:
    virtual ~FtpServer();
    FtpServer(const FtpServer &) = delete;
    FtpServer &operator=(const FtpServer &) = delete;

    bool isRunning() const;
    QString errorText() const { return m_error; }
    QString host() const;
    int port() const { return m_port; }
    // "127.0.0.1:port", as the server box takes it.
    QString address() const;
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    // The folder the user logs in to.
    QString root() const { return m_root; }
    QString filePath(const QString &name) const;
    // Settings that upload to this server, into `directory` (empty: the root).
    Settings settings(const QString &directory = {}) const;
    // A folder in root() that the user may write to.
    virtual void makeFolder(const QString &name);
    // The server's certificate, when it speaks TLS.
    const TestCertificate &certificate() const { return m_certificate; }

protected:
    FtpServer();
    // Starts `program` and waits for its "PORT <n>" line.
    bool startReportingPort(const QString &program, const QStringList &arguments);
    void stop();
    // Makes certificate() in the server's folder.
    bool makeCertificate();

    QTemporaryDir m_folder;
    TestCertificate m_certificate;
    QProcess m_process;
    QString m_root;
    QString m_user;
    QString m_password;
    QString m_error;
    int m_port = 0;
};

// pyftpdlib (Debian's python3-pyftpdlib) run by /usr/bin/python3.
class PyFtpServer : public FtpServer
{
public:
    // `throttleBytesPerSecond` > 0 slows every store down to that rate.
    // With `tls`, its TLS handler requires TLS on both connections.
    explicit PyFtpServer(qint64 throttleBytesPerSecond = 0, bool tls = false);
    ~PyFtpServer() override;
    // Every command received so far ("USER ranker", "PASS ******", ...).
    QStringList commands() const;
    // A second account on the same folder that may only list and read
    // (its password is password()).
    static QString readOnlyUser() { return QStringLiteral("reader"); }
};

// vsftpd with a throw-away local user (needs root: it creates the user and
// deletes it again). With `tls`, log-ins and data require TLS, and data
// connections must resume the control connection's session.
class VsftpdServer : public FtpServer
{
public:
    explicit VsftpdServer(bool tls = false);
    ~VsftpdServer() override;
    // Why this machine cannot run one (empty when it can): each server logs in
    // a system user of its own, which only root may add.
    static QString unavailableBecause();
    void makeFolder(const QString &name) override;

private:
    bool start(bool tls);
    bool m_userCreated = false;
};

// A scripted server that plays one fault (see tests/support/ftp_fake.py for
// the scenarios); it accepts any user and keeps what it is sent in root().
class ScriptedFtpServer : public FtpServer
{
public:
    explicit ScriptedFtpServer(const QString &scenario);
    ~ScriptedFtpServer() override;
    // Every command line received so far, in order.
    QStringList commands() const;
};

// Random letters and digits, for user names and passwords.
QString randomToken(int length);
