#pragma once

#include "notify/WebhookUrl.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

namespace platform::tls {
class Context;
}

// One POST of a JSON body, HTTP/1.1 over TLS (or plain, to this machine),
// waiting on the calling thread: made for a worker thread. The server's
// certificate must chain to an authority the system trusts (OpenSSL's
// default places, SSL_CERT_FILE and SSL_CERT_DIR included) and name the
// host; nothing is sent to a server that fails that.
struct PostAnswer {
    enum class End { Answered, Failed, TimedOut, Cancelled };
    End end = End::Failed;
    int status = 0; // the HTTP status, when answered
    // Seconds the server asks to wait before the next try (Retry-After,
    // in seconds or as a date), when it said so.
    std::optional<double> retryAfter;
    // Why there was no answer, in one line without the address's token.
    QString problem;

    bool delivered() const { return end == End::Answered && status >= 200 && status < 300; }
};

// Gives up after `timeOutMs` for the whole exchange, or soon after
// `cancelled` becomes true. `context` is made on this thread when null.
PostAnswer postJson(const WebhookUrl &url, const QByteArray &body, int timeOutMs, const std::atomic<bool> &cancelled,
                    std::shared_ptr<platform::tls::Context> &context);

// A Retry-After value: whole or decimal seconds, or an HTTP date (counted
// from `nowUtcSeconds`); nothing when it is neither.
std::optional<double> parseRetryAfter(const QByteArray &value, qint64 nowUtcSeconds);
