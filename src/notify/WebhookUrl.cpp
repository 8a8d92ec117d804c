#include "notify/WebhookUrl.h"

#include "platform/Sockets.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const QString kElided = u"\u2026"_s;

bool isLoopback(const QString &host)
{
    if (host.compare(u"localhost"_s, Qt::CaseInsensitive) == 0)
        return true;
    quint32 address = 0;
    return platform::sockets::parseDotted(host, &address) && (address >> 24) == 127;
}

// "/a/b/token?x" -> "/a/b/…"
QString elidedPath(const QString &target)
{
    const QString path = target.section(u'?', 0, 0);
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0 || slash + 1 == path.size())
        return path.size() > 1 ? u"/"_s + kElided : path;
    return path.left(slash + 1) + kElided;
}

} // namespace

QString WebhookUrl::shown() const
{
    const bool defaultPort = port == (tls ? 443 : 80);
    return (tls ? u"https://"_s : u"http://"_s) + host + (defaultPort ? QString() : u':' + QString::number(port)) +
           elidedPath(target);
}

std::optional<WebhookUrl> parseWebhookUrl(const QString &text, QString *error)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"https"_s && scheme != u"http"_s) || url.host().isEmpty()) {
        *error = u"[Notify] url= is not an https:// address"_s;
        return std::nullopt;
    }
    if (!url.userInfo().isEmpty()) {
        *error = u"[Notify] url= may not hold a user or password"_s;
        return std::nullopt;
    }
    WebhookUrl hook;
    hook.tls = scheme == u"https"_s;
    hook.host = url.host(QUrl::FullyEncoded);
    if (!hook.tls && !isLoopback(hook.host)) {
        *error = u"[Notify] url= must be https:// (http:// only to this machine): the token would travel unencrypted"_s;
        return std::nullopt;
    }
    hook.port = quint16(url.port(hook.tls ? 443 : 80));
    hook.target = url.path(QUrl::FullyEncoded);
    if (hook.target.isEmpty())
        hook.target = u"/"_s;
    if (url.hasQuery())
        hook.target += u'?' + url.query(QUrl::FullyEncoded);
    return hook;
}
