#pragma once

#include "support/FtpServers.h"

#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

// A chat webhook over HTTPS on 127.0.0.1 (tests/support/webhook_server.py),
// its certificate made for "localhost" with openssl; a program trusts it
// with SSL_CERT_FILE=certificatePath(). Check isRunning() (errorText() says
// why not) before use.
class WebhookServer
{
public:
    enum class Mode { Ok, Busy, Silent }; // see webhook_server.py
    explicit WebhookServer(Mode mode = Mode::Ok);
    ~WebhookServer();

    bool isRunning() const { return m_port > 0 && m_process.state() == QProcess::Running; }
    QString errorText() const { return m_error; }
    // https://localhost:PORT/api/webhooks/1/ and the secret token.
    QString url() const;
    QString token() const { return m_token; }
    QString certificatePath() const { return m_certificate.certificatePath; }

    struct Post {
        QString path;
        QJsonObject body;
        double time = 0; // seconds, on the server's monotonic clock
    };
    // Every post received so far, in order.
    QList<Post> posts() const;
    // Waits until `count` posts have come; false after `ms`.
    bool waitForPosts(qsizetype count, int ms) const;

private:
    QTemporaryDir m_folder;
    TestCertificate m_certificate;
    QProcess m_process;
    QString m_token;
    QString m_error;
    int m_port = 0;
};
