#include "scores/ServerWatchdog.h"

#include "platform/Sockets.h"
#include "platform/StopSignals.h"
#include "platform/ThreadWaits.h"
#include "scores/ServerConnection.h"

#include <libpq-fe.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

using namespace Qt::StringLiterals;
namespace sockets = platform::sockets;

namespace serverwatchdog {

namespace {

constexpr auto kLookEvery = std::chrono::milliseconds(250);

using Clock = std::chrono::steady_clock;

struct Watched {
    quint64 identity = 0;
    qint64 timeoutMs = 0;
    long thread = 0; // the thread that uses the connection
    // When the connection last moved: data taken or given by the server, or
    // its thread seen doing something other than waiting on it.
    Clock::time_point moved = Clock::now();
    quint64 acked = 0, received = 0;
};

class Watchdog
{
public:
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_ending = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void watch(int socket, qint64 timeoutMs)
    {
        const std::lock_guard lock(m_mutex);
        m_watched[socket] = {sockets::socketIdentity(socket), timeoutMs, platform::currentThreadId()};
        m_watched[socket].moved = Clock::now();
        // Whatever went wrong with the connection before is not this one's.
        m_lastCut.clear();
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_wake.notify_all();
    }

    void forget(int socket)
    {
        const std::lock_guard lock(m_mutex);
        m_watched.erase(socket);
    }

    QString takeLastCut()
    {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_lastCut, QString());
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        std::optional<Clock::time_point> stopSeen;
        while (!m_ending) {
            if (m_watched.empty())
                m_wake.wait(lock, [this] { return m_ending || !m_watched.empty(); });
            else
                m_wake.wait_for(lock, kLookEvery);
            if (!stopSeen && platform::StopSignals::requested())
                stopSeen = Clock::now();
            const auto now = Clock::now();
            const auto msSince = [&](Clock::time_point then) {
                return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(now - then).count());
            };
            const qint64 sinceStop = stopSeen ? msSince(*stopSeen) : -1;
            for (auto it = m_watched.begin(); it != m_watched.end();) {
                sockets::Traffic traffic;
                // A number closed by the driver and used again is another socket.
                if (!sockets::traffic(it->first, &traffic) || traffic.identity != it->second.identity) {
                    it = m_watched.erase(it);
                    continue;
                }
                // Waited on: the thread that uses the connection is blocked on
                // it (where the system cannot tell, a request sent after the
                // last answer). Quiet: waited on all along, and the server
                // took no data and sent none. The kernel's time since data
                // last went out is no measure: probing a server whose window
                // stays full counts as sending.
                const std::optional<bool> polled = platform::threadPollsSocket(it->second.thread, it->first);
                const bool waitedOn = polled ? *polled : traffic.sinceSentMs < traffic.sinceReceivedMs;
                Watched &w = it->second;
                if (!waitedOn || traffic.bytesAcked != w.acked || traffic.bytesReceived != w.received) {
                    w.moved = now;
                    w.acked = traffic.bytesAcked;
                    w.received = traffic.bytesReceived;
                }
                const qint64 quiet =
                    traffic.counted ? msSince(w.moved) : std::min(traffic.sinceSentMs, traffic.sinceReceivedMs);
                const bool tooLong = quiet >= it->second.timeoutMs;
                const bool stopping = sinceStop >= 0 && std::min(quiet, sinceStop) >= kStopGraceMs;
                if (waitedOn && (tooLong || stopping)) {
                    sockets::shutdownBoth(it->first);
                    m_lastCut = stopping ? u"The database server did not answer before the program had to stop, so "
                                           "its connection was given up"_s
                                         : u"The database server did not answer for %1 s, so its connection was given "
                                           "up"_s.arg(it->second.timeoutMs / 1000);
                    it = m_watched.erase(it);
                    continue;
                }
                ++it;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<int, Watched> m_watched;
    QString m_lastCut;
    bool m_ending = false;
    std::thread m_thread;
};

Watchdog &watchdog()
{
    static Watchdog instance;
    return instance;
}

// The socket of a connection of Qt's PostgreSQL driver, -1 when there is none.
int socketOf(const QSqlDatabase &db)
{
    PGconn *connection = libpqConnection(db);
    return connection ? PQsocket(connection) : -1;
}

} // namespace

void watch(const QSqlDatabase &db, int timeoutSeconds)
{
    const int socket = socketOf(db);
    if (socket >= 0)
        watchdog().watch(socket, qint64(timeoutSeconds) * 1000);
}

void forget(const QSqlDatabase &db)
{
    const int socket = socketOf(db);
    if (socket >= 0)
        watchdog().forget(socket);
}

QString explained(const QString &message)
{
    const QString cut = watchdog().takeLastCut();
    return cut.isEmpty() ? message : cut + u": "_s + message;
}

} // namespace serverwatchdog
