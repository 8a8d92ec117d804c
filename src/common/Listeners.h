#pragma once

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

// The listeners of one kind of notice. A listener may remove itself or any
// other while it is being told: one removed is not told afterwards, one
// added is told from the next notice on.
template <typename... Args> class Listeners
{
public:
    using Listener = std::function<void(Args...)>;

    // An id for remove(); never 0.
    int add(Listener listener)
    {
        const int id = m_nextId++;
        m_entries.emplace_back(id, std::move(listener));
        return id;
    }

    void remove(int id)
    {
        std::erase_if(m_entries, [id](const auto &entry) { return entry.first == id; });
    }

    void notify(Args... args) const
    {
        const auto snapshot = m_entries;
        for (const auto &[id, listener] : snapshot) {
            const int wanted = id;
            if (std::any_of(m_entries.begin(), m_entries.end(), [wanted](const auto &e) { return e.first == wanted; }))
                listener(args...);
        }
    }

private:
    std::vector<std::pair<int, Listener>> m_entries;
    int m_nextId = 1;
};
