#include "notify/WebhookSender.h"

#include "notify/HttpsPost.h"
#include "platform/Tls.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

struct Message {
    WebhookUrl url;
    QByteArray body;
    WebhookSender::Done done;
};

bool worthAnotherTry(const PostAnswer &answer)
{
    if (answer.end == PostAnswer::End::Answered)
        return answer.status == 429 || answer.status >= 500;
    return answer.end == PostAnswer::End::Failed;
}

QString problemOf(const PostAnswer &answer)
{
    if (answer.end == PostAnswer::End::Answered)
        return u"HTTP %1"_s.arg(answer.status);
    return answer.problem;
}

} // namespace

struct WebhookSender::Private {
    Options options;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Message> queue;
    std::vector<Report> reports;
    bool sending = false;
    std::atomic<bool> cancelled{false};
    std::thread worker;

    void run()
    {
        std::shared_ptr<platform::tls::Context> context;
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return cancelled.load() || !queue.empty(); });
            if (cancelled.load())
                break;
            Message message = std::move(queue.front());
            queue.pop_front();
            sending = true;
            lock.unlock();
            Report report = send(message, context);
            if (message.done)
                message.done(report);
            lock.lock();
            reports.push_back(std::move(report));
            sending = false;
            changed.notify_all();
        }
        // What was left is given up; its callers hear of it.
        for (Message &message : queue) {
            Report report{message.url.shown(), false, u"not sent: the program ended"_s,
                          QDateTime::currentDateTimeUtc()};
            if (message.done)
                message.done(report);
            reports.push_back(std::move(report));
        }
        queue.clear();
        changed.notify_all();
    }

    Report send(const Message &message, std::shared_ptr<platform::tls::Context> &context)
    {
        PostAnswer answer;
        double backOff = options.firstBackOffSeconds;
        for (int attempt = 1;; ++attempt) {
            answer = postJson(message.url, message.body, options.attemptTimeOutMs, cancelled, context);
            if (answer.delivered() || attempt >= options.attempts || !worthAnotherTry(answer))
                break;
            const double wait = std::min(answer.retryAfter.value_or(backOff), options.longestWaitSeconds);
            backOff *= 2;
            std::unique_lock lock(mutex);
            if (changed.wait_for(lock, std::chrono::duration<double>(wait), [this] { return cancelled.load(); }))
                break;
        }
        Report report{message.url.shown(), answer.delivered(), {}, QDateTime::currentDateTimeUtc()};
        if (!report.delivered)
            report.problem = problemOf(answer);
        return report;
    }
};

WebhookSender::WebhookSender() : WebhookSender(Options{}) {}

WebhookSender::WebhookSender(Options options) : d(std::make_unique<Private>())
{
    d->options = options;
    d->worker = std::thread([this] { d->run(); });
}

WebhookSender::~WebhookSender()
{
    stop();
}

void WebhookSender::stop()
{
    if (!d->worker.joinable())
        return;
    {
        const std::lock_guard lock(d->mutex);
        d->cancelled = true;
    }
    d->changed.notify_all();
    d->worker.join();
}

void WebhookSender::post(const WebhookUrl &url, QByteArray body, Done done)
{
    std::vector<Message> dropped;
    {
        const std::lock_guard lock(d->mutex);
        if (d->cancelled.load()) {
            d->reports.push_back(
                {url.shown(), false, u"not sent: the program ended"_s, QDateTime::currentDateTimeUtc()});
            return;
        }
        while (d->queue.size() >= size_t(d->options.mostQueued)) {
            dropped.push_back(std::move(d->queue.front()));
            d->queue.pop_front();
        }
        d->queue.push_back({url, std::move(body), std::move(done)});
    }
    for (const Message &message : dropped) {
        Report report{message.url.shown(), false, u"not sent: too many posts waiting"_s,
                      QDateTime::currentDateTimeUtc()};
        if (message.done)
            message.done(report);
        const std::lock_guard lock(d->mutex);
        d->reports.push_back(std::move(report));
    }
    d->changed.notify_all();
}

bool WebhookSender::waitUntilSent(int ms)
{
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return d->queue.empty() && !d->sending; });
}

std::vector<WebhookSender::Report> WebhookSender::takeReports()
{
    const std::lock_guard lock(d->mutex);
    return std::exchange(d->reports, {});
}
