#pragma once

#include "notify/WebhookUrl.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Posts JSON bodies to chat webhooks on a thread of its own, one after the
// other in the order given, so that no caller ever waits for a chat service.
// A post answered 429 (too many requests) or 5xx, or one that could not
// reach the server, is tried again a few times: after the time the server
// asks for (Retry-After, at most a minute) or else after 1, 2, 4 seconds. A
// server that takes the connection and never answers gets one try: trying
// again would only hold up the posts behind it.
class WebhookSender
{
public:
    struct Options {
        int attemptTimeOutMs = 10000; // one whole exchange
        int attempts = 4;
        double firstBackOffSeconds = 1;
        double longestWaitSeconds = 60;
        qsizetype mostQueued = 100; // beyond it the oldest post is given up
    };
    // How one post ended: delivered, or given up and why.
    struct Report {
        QString shownUrl; // without its token
        bool delivered = false;
        QString problem;
        QDateTime when;
    };
    using Done = std::function<void(const Report &)>;

    WebhookSender();
    explicit WebhookSender(Options options);
    // stop()s.
    ~WebhookSender();
    WebhookSender(const WebhookSender &) = delete;
    WebhookSender &operator=(const WebhookSender &) = delete;

    // `done`, when given, runs on the sender's thread once the post ended.
    void post(const WebhookUrl &url, QByteArray body, Done done = {});
    // Waits until every post given so far has ended, at most `ms`; false
    // when some are left.
    bool waitUntilSent(int ms);
    // Gives up what is still queued (each with its report), cuts the post in
    // progress short and waits for the thread (a fraction of a second, or
    // as long as a name look-up in progress takes). Nothing is sent after it.
    void stop();
    // The posts that ended since the last call, oldest first.
    std::vector<Report> takeReports();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
