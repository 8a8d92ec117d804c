#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// SIGINT and SIGTERM as a request to stop, for a program that runs until it
// is told to end (rankhold-cli watch); SIGPIPE too: its output has no reader
// any more. The handler only records the request and writes one byte to a
// pipe (async-signal-safe); the pipe wakes the event loop, which emits
// stopRequested(). requested() can be polled between two steps of work that
// does not run the event loop. While an object exists these signals no
// longer end the process; its destruction restores the default actions.
// Only one object may exist at a time.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // True once SIGINT, SIGTERM or SIGPIPE has arrived.
    static bool requested();
    // The signal that arrived first, 0 before that.
    static int signalNumber();

signals:
    void stopRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
