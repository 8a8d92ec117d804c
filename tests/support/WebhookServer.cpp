#include "support/WebhookServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

using namespace Qt::StringLiterals;

WebhookServer::WebhookServer(Mode mode) : m_token(randomToken(40))
{
    if (!makeTestCertificate(m_folder.path(), m_certificate, &m_error))
        return;
    const QString modes[] = {u"ok"_s, u"busy"_s, u"silent"_s};
    m_port = startReportingPort(m_process, u"/usr/bin/python3"_s,
                                {QStringLiteral(RANKHOLD_TESTS_DIR) + u"/support/webhook_server.py"_s, u"--cert"_s,
                                 m_certificate.certificatePath, u"--key"_s, m_certificate.keyPath, u"--log"_s,
                                 m_folder.filePath(u"posts.log"_s), u"--mode"_s, modes[int(mode)]},
                                &m_error);
}

WebhookServer::~WebhookServer()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

QString WebhookServer::url() const
{
    return u"https://localhost:%1/api/webhooks/1/"_s.arg(m_port) + m_token;
}

QList<WebhookServer::Post> WebhookServer::posts() const
{
    QFile log(m_folder.filePath(u"posts.log"_s));
    QList<Post> posts;
    if (!log.open(QIODevice::ReadOnly))
        return posts;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty())
            posts.append({o[u"path"_s].toString(), o[u"body"_s].toObject(), o[u"time"_s].toDouble()});
    }
    return posts;
}

bool WebhookServer::waitForPosts(qsizetype count, int ms) const
{
    QDeadlineTimer deadline(ms);
    while (posts().size() < count) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}
