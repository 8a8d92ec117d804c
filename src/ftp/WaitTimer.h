#pragma once

#include <QTimer>
#include <functional>

// The time-out clock of a socket component: it ticks only while it is
// enabled, has an interval other than 0 and a handler; any change of the
// three restarts it under the new values.
class TWaitTimer
{
public:
    TWaitTimer();
    ~TWaitTimer();
    TWaitTimer(const TWaitTimer &) = delete;
    TWaitTimer &operator=(const TWaitTimer &) = delete;

    int interval() const { return m_interval; }
    void setInterval(int milliseconds);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    void setOnTimer(std::function<void(TWaitTimer &)> handler);
    bool isRunning() const { return m_timer.isActive(); }

private:
    void update();
    void fire();

    QTimer m_timer;
    int m_interval = 1000;
    bool m_enabled = true;
    std::function<void(TWaitTimer &)> m_onTimer;
};
