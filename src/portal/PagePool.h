#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs independent jobs (making and writing one page each) on a few
// threads while the caller goes on reading rows. The queue is short, so
// the pages waiting to be made never hold much of the history in memory.
// A failure is reported as the one-thread run would report it: the
// earliest job's; the jobs after a failed one are dropped.
namespace portal {

class PagePool
{
public:
    using Job = std::function<void()>;

    // 0 picks one thread a core, at most kMostThreads; 1 runs every job on
    // the caller's thread as it is handed over.
    explicit PagePool(int threads = 0);
    // Drops the jobs not started and waits for the running ones.
    ~PagePool();
    PagePool(const PagePool &) = delete;
    PagePool &operator=(const PagePool &) = delete;

    // Waits while the queue is full. Rethrows a failure already seen, so
    // the caller stops reading.
    void run(Job job);
    // Waits for every job handed over; rethrows the earliest failure.
    void finish();

    int threads() const { return int(m_threads.size()); }

    static constexpr int kMostThreads = 8;
    // The threads a pool asked for `threads` runs.
    static int threadsFor(int threads);

private:
    struct Queued {
        std::uint64_t number;
        Job job;
    };
    void work();
    void fail(std::uint64_t number, std::exception_ptr error);
    void rethrow();

    std::mutex m_mutex;
    std::condition_variable m_hasJob;
    std::condition_variable m_hasRoom;
    std::condition_variable m_idle;
    std::deque<Queued> m_queue;
    size_t m_room = 0;
    size_t m_running = 0;
    bool m_stopping = false;
    std::uint64_t m_next = 0;
    std::uint64_t m_failedAt = UINT64_MAX;
    std::exception_ptr m_error;
    std::vector<std::thread> m_threads;
};

} // namespace portal
