#pragma once

// A whole program run as the benchmarks measure it: wall time from start to
// exit, its processor time (user and system) and the peak resident memory of
// that process alone (wait4), with stdin, stdout and stderr on /dev/null
// unless stdout is sent to a file.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace bench {

struct Measured {
    double seconds = 0;
    // What a machine shared with other work changes least: the wall time
    // also holds the waits for the processor.
    double cpuSeconds = 0;
    double peakMb = 0;
    int exitCode = -1; // -1: did not start or did not exit normally
};

inline Measured runMeasured(const QString &program, const QStringList &arguments, const QString &stdoutFile = {})
{
    std::vector<QByteArray> args{program.toLocal8Bit()};
    for (const QString &a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    const QByteArray out = stdoutFile.isEmpty() ? QByteArray("/dev/null") : stdoutFile.toLocal8Bit();
    posix_spawn_file_actions_addopen(&files, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);

    Measured m;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return m;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return m;
    m.seconds = double(clock.nsecsElapsed()) / 1e9;
    const auto secondsOf = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    m.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    m.peakMb = double(usage.ru_maxrss) / 1024.0;
    m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

// The better of two runs: the shorter times, and the larger peak memory.
inline Measured best(const Measured &a, const Measured &b)
{
    if (a.exitCode != 0 || b.exitCode != 0)
        return a.exitCode != 0 ? a : b;
    Measured m = a.seconds <= b.seconds ? a : b;
    m.cpuSeconds = a.cpuSeconds < b.cpuSeconds ? a.cpuSeconds : b.cpuSeconds;
    m.peakMb = a.peakMb > b.peakMb ? a.peakMb : b.peakMb;
    return m;
}

// The middle of several values (the higher of the two middle ones of an
// even count); 0 of none.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + long(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The median of several runs: the middle wall time and the middle
// processor time (each of its own), and the largest peak memory. A run that
// failed is the answer, so that it is not hidden.
inline Measured median(std::vector<Measured> runs)
{
    for (const Measured &m : runs) {
        if (m.exitCode != 0)
            return m;
    }
    if (runs.empty())
        return {};
    Measured m;
    m.exitCode = 0;
    std::vector<double> seconds, cpuSeconds;
    for (const Measured &r : runs) {
        seconds.push_back(r.seconds);
        cpuSeconds.push_back(r.cpuSeconds);
    }
    m.seconds = median(seconds);
    m.cpuSeconds = median(cpuSeconds);
    for (const Measured &r : runs)
        m.peakMb = std::max(m.peakMb, r.peakMb);
    return m;
}

inline void printMeasured(const char *what, const Measured &m)
{
    std::printf("%-46s %7.3f s (processor %7.3f s)   peak %6.1f MB\n", what, m.seconds, m.cpuSeconds, m.peakMb);
}

// A ratio of wall times and of processor times, against its target.
inline void printRatio(const char *what, const Measured &m, const Measured &baseline, double target)
{
    std::printf("%-26s %.2f, processor %.2f (target <= %.2g)\n", what, m.seconds / baseline.seconds,
                m.cpuSeconds / baseline.cpuSeconds, target);
}

} // namespace bench
