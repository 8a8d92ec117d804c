#pragma once

#include "common/CommandHost.h"

#include <QElapsedTimer>

// Keeps the window alive through a long loop (the rows of an import, the
// rows of a page): the loop calls step() once an iteration, and once
// `intervalMs` have passed the host lets pending events run: repaints, the
// progress bar, the other timers, and menu commands, which the busy rule
// refuses while a command runs. Counted in time, not iterations, so that a
// slow row and a fast one count alike.
class EventLoopTurns
{
public:
    // Well inside the 200 ms for which a window may seem to hang.
    static constexpr qint64 kIntervalMs = 50;

    explicit EventLoopTurns(CommandHost &host, qint64 intervalMs = kIntervalMs) : m_host(host), m_intervalMs(intervalMs)
    {
        m_clock.start();
    }

    void step()
    {
        if (!m_clock.hasExpired(m_intervalMs))
            return;
        m_host.processEvents();
        m_clock.start();
    }

private:
    CommandHost &m_host;
    qint64 m_intervalMs;
    QElapsedTimer m_clock;
};
