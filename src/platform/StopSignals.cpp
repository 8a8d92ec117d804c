#include "platform/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signal = 0;

void onStopSignal(int number)
{
    const int savedErrno = errno;
    if (g_signal == 0)
        g_signal = number;
    const char byte = 1;
    // A full pipe already holds a wake-up; losing this byte changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void install(void (*handler)(int))
{
    struct sigaction action {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Restart interrupted reads and writes: the database and the network
    // layer must not see EINTR because someone asked the program to stop.
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A reader of the output that went away (a closed log pipe) would end the
    // process by default in the middle of a round: stop after it instead; the
    // write itself then fails with EPIPE. The sockets never raise it (MSG_NOSIGNAL).
    ::sigaction(SIGPIPE, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    g_signal = 0;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    install(onStopSignal);
    if (g_pipe[0] >= 0) {
        m_notifier = new QSocketNotifier(qintptr(g_pipe[0]), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            char buffer[16];
            while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
            }
            emit stopRequested();
        });
    }
}

StopSignals::~StopSignals()
{
    install(SIG_DFL);
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool StopSignals::requested()
{
    return g_signal != 0;
}

int StopSignals::signalNumber()
{
    return g_signal;
}

} // namespace platform
