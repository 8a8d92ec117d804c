#include "ftp/WaitTimer.h"

#include "common/RankholdError.h"

#include <QDebug>

TWaitTimer::TWaitTimer()
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { fire(); });
}

TWaitTimer::~TWaitTimer() = default;

void TWaitTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    update();
}

void TWaitTimer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    update();
}

void TWaitTimer::setOnTimer(std::function<void(TWaitTimer &)> handler)
{
    m_onTimer = std::move(handler);
    update();
}

void TWaitTimer::update()
{
    m_timer.stop();
    if (m_enabled && m_interval != 0 && m_onTimer) {
        m_timer.setInterval(m_interval);
        m_timer.start();
    }
}

void TWaitTimer::fire()
{
    // A tick comes from the event loop: an escaping error would end the
    // program, so it is reported and dropped here.
    try {
        m_onTimer(*this);
    } catch (const RankholdError &e) {
        qWarning() << "Wait timer:" << e.message();
    }
}
