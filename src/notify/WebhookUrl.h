#pragma once

#include <QString>
#include <optional>

// The address a chat webhook is posted to. Its path holds the secret token
// that lets anybody post into the channel, so the whole address is shown to
// nobody: shown() elides its last path part.
struct WebhookUrl {
    bool tls = true;
    QString host; // a name or a dotted IPv4 address
    quint16 port = 443;
    QString target; // path and query as sent in the request line, "/api/webhooks/1/abc"

    // "https://host/api/webhooks/1/…"
    QString shown() const;
};

// An https:// URL, or http:// to this machine alone (127.0.0.0/8 or
// "localhost"): a token sent without TLS over a network is given away.
// Nothing, with `error` saying why without quoting the address (it may hold
// the token), when it is neither.
std::optional<WebhookUrl> parseWebhookUrl(const QString &text, QString *error);
