#include "portal/PagePool.h"

#include <algorithm>

namespace portal {

int PagePool::threadsFor(int asked)
{
    return asked > 0 ? asked : int(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(kMostThreads)));
}

PagePool::PagePool(int threads)
{
    threads = threadsFor(threads);
    if (threads == 1)
        return;
    m_room = size_t(threads) * 4;
    m_threads.reserve(size_t(threads));
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { work(); });
}

PagePool::~PagePool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_hasJob.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

void PagePool::run(Job job)
{
    const std::uint64_t number = m_next++;
    if (m_threads.empty()) {
        rethrow();
        try {
            job();
        } catch (...) {
            fail(number, std::current_exception());
            rethrow();
        }
        return;
    }
    std::unique_lock lock(m_mutex);
    m_hasRoom.wait(lock, [&] { return m_queue.size() < m_room || m_error; });
    if (m_error) {
        // The jobs before the failed one still run: one of them may fail
        // too, and it is the one to report.
        lock.unlock();
        finish();
    }
    m_queue.push_back({number, std::move(job)});
    lock.unlock();
    m_hasJob.notify_one();
}

void PagePool::finish()
{
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [&] { return m_queue.empty() && m_running == 0; });
    }
    rethrow();
}

void PagePool::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_hasJob.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        Queued next = std::move(m_queue.front());
        m_queue.pop_front();
        // A job after the earliest failure would not have run one by one.
        const bool dropped = next.number > m_failedAt;
        ++m_running;
        lock.unlock();
        m_hasRoom.notify_one();
        if (!dropped) {
            try {
                next.job();
            } catch (...) {
                fail(next.number, std::current_exception());
            }
        }
        next.job = nullptr; // its captures are freed outside the lock
        lock.lock();
        --m_running;
        if (m_queue.empty() && m_running == 0)
            m_idle.notify_all();
    }
}

void PagePool::fail(std::uint64_t number, std::exception_ptr error)
{
    {
        std::lock_guard lock(m_mutex);
        if (number >= m_failedAt)
            return;
        m_failedAt = number;
        m_error = std::move(error);
    }
    m_hasRoom.notify_all();
}

void PagePool::rethrow()
{
    std::exception_ptr error;
    {
        std::lock_guard lock(m_mutex);
        error = m_error;
    }
    if (error)
        std::rethrow_exception(error);
}

} // namespace portal
