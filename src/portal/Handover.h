#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

// Hands blocks of work from one thread to another in order, a few at a
// time: the giver waits while `room` blocks wait, the taker while none
// does. Either side may stop the other: the giver by failing, the taker by
// giving up.
namespace portal {

template <typename Block> class Handover
{
public:
    explicit Handover(size_t room) : m_room(room) {}

    // False once the taker gave up: the giver stops.
    bool give(Block block)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_abandoned || m_blocks.size() < m_room; });
        if (m_abandoned)
            return false;
        m_blocks.push_back(std::move(block));
        m_changed.notify_all();
        return true;
    }
    // No more blocks come; `error` is the giver's failure, if any.
    void close(std::exception_ptr error = nullptr)
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_error = std::move(error);
        m_changed.notify_all();
    }
    // The next block; none once the giver closed and every block was
    // taken. Rethrows the giver's failure once the blocks before it are taken.
    std::optional<Block> take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_closed || !m_blocks.empty(); });
        if (m_blocks.empty()) {
            if (m_error)
                std::rethrow_exception(m_error);
            return std::nullopt;
        }
        std::optional<Block> block(std::move(m_blocks.front()));
        m_blocks.pop_front();
        m_changed.notify_all();
        return block;
    }
    // The taker takes no more.
    void abandon()
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
        m_blocks.clear();
        m_changed.notify_all();
    }

private:
    const size_t m_room;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Block> m_blocks;
    bool m_closed = false, m_abandoned = false;
    std::exception_ptr m_error;
};

} // namespace portal
