#include "platform/System.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// Windows priority classes as nice values. Idle and below-normal only occur
// when the program itself was started with a raised nice value.
constexpr int kIdlePriorityClass = 0x40;
constexpr int kBelowNormalPriorityClass = 0x4000;

int niceOfClass(int priorityClass)
{
    switch (priorityClass) {
    case kHighPriorityClass:
        return -10;
    case kIdlePriorityClass:
        return 19;
    case kBelowNormalPriorityClass:
        return 5;
    default:
        return 0;
    }
}

bool isRealtimePolicy(int policy)
{
    return policy == SCHED_FIFO || policy == SCHED_RR;
}

pid_t currentThreadId()
{
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

// Linux keeps nice values and scheduling policies per thread, so a class for
// the whole process is applied to every thread of it.
std::vector<pid_t> threadsOfThisProcess()
{
    std::vector<pid_t> ids;
    if (DIR *dir = ::opendir("/proc/self/task")) {
        while (const dirent *e = ::readdir(dir)) {
            if (e->d_name[0] >= '0' && e->d_name[0] <= '9')
                ids.push_back(static_cast<pid_t>(std::atoi(e->d_name)));
        }
        ::closedir(dir);
    }
    if (ids.empty())
        ids.push_back(currentThreadId());
    return ids;
}

bool applyClassToThread(pid_t tid, int priorityClass)
{
    if (priorityClass == kRealtimePriorityClass) {
        sched_param param{};
        param.sched_priority = (sched_get_priority_min(SCHED_FIFO) + sched_get_priority_max(SCHED_FIFO)) / 2;
        return ::sched_setscheduler(tid, SCHED_FIFO, &param) == 0;
    }
    bool ok = true;
    if (isRealtimePolicy(::sched_getscheduler(tid))) {
        sched_param param{};
        ok = ::sched_setscheduler(tid, SCHED_OTHER, &param) == 0;
    }
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceOfClass(priorityClass)) == 0 && ok;
}

std::uint64_t meminfoKilobytes(const QByteArray &text, const char *label)
{
    const QByteArray key = QByteArray(label) + ':';
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toULongLong();
    }
    return 0;
}

// The first number of a kernel release such as "6.1.0-18-amd64", from `pos` on.
int leadingNumber(const QByteArray &text, qsizetype &pos)
{
    int value = 0;
    while (pos < text.size() && text.at(pos) >= '0' && text.at(pos) <= '9')
        value = value * 10 + (text.at(pos++) - '0');
    return value;
}

bool isNativeExecutable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArray("\x7f"
                              "ELF",
                              4) ||
           head.startsWith("#!");
}

} // namespace

void returnLargeBlocksWhenFreed()
{
    // A fixed bound also keeps the allocator from moving it.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    // Fixing that bound also fixes the one for handing back the free top of
    // a pool at 128 KB: a thread making pages then gave memory back and
    // faulted it in again for nearly every page, a fifth of its time. A
    // megabyte covers a page's buffers; each thread's pool may keep that
    // much, so no more.
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
}

void returnFreedMemory()
{
    malloc_trim(0);
}

MemoryStatus memoryStatus()
{
    MemoryStatus status;
    QFile file(u"/proc/meminfo"_s);
    if (!file.open(QIODevice::ReadOnly))
        return status;
    const QByteArray text = file.readAll();
    const std::uint64_t totalKb = meminfoKilobytes(text, "MemTotal");
    std::uint64_t availableKb = meminfoKilobytes(text, "MemAvailable");
    if (availableKb == 0) // kernels before 3.14
        availableKb =
            meminfoKilobytes(text, "MemFree") + meminfoKilobytes(text, "Buffers") + meminfoKilobytes(text, "Cached");
    status.totalPhysicalBytes = totalKb * 1024;
    if (totalKb > 0)
        status.memoryLoadPercent = static_cast<int>(100 - availableKb * 100 / totalKb);
    return status;
}

std::int64_t freeSpaceOfCurrentDrive()
{
    struct statvfs st {
    };
    if (::statvfs(".", &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}

OsVersion osVersion()
{
    OsVersion version;
    utsname names{};
    if (::uname(&names) != 0)
        return version;
    const QByteArray release(names.release);
    qsizetype pos = 0;
    version.major = leadingNumber(release, pos);
    if (pos < release.size() && release.at(pos) == '.') {
        ++pos;
        version.minor = leadingNumber(release, pos);
    }
    return version;
}

int processPriorityClass()
{
    if (isRealtimePolicy(::sched_getscheduler(0)))
        return kRealtimePriorityClass;
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    if (nice < 0)
        return kHighPriorityClass;
    if (nice == 0)
        return kNormalPriorityClass;
    return nice >= 10 ? kIdlePriorityClass : kBelowNormalPriorityClass;
}

bool setProcessPriorityClass(int priorityClass)
{
    bool ok = true;
    for (const pid_t tid : threadsOfThisProcess())
        ok = applyClassToThread(tid, priorityClass) && ok;
    return ok;
}

int currentThreadPriority()
{
    const int policy = ::sched_getscheduler(0);
    if (!isRealtimePolicy(policy))
        return kThreadPriorityNormal;
    sched_param param{};
    ::sched_getparam(0, &param);
    return param.sched_priority >= sched_get_priority_max(policy) ? kThreadPriorityTimeCritical : kThreadPriorityNormal;
}

bool setCurrentThreadPriority(int priority)
{
    if (priority == kThreadPriorityTimeCritical) {
        sched_param param{};
        param.sched_priority = sched_get_priority_max(SCHED_FIFO);
        return ::sched_setscheduler(0, SCHED_FIFO, &param) == 0;
    }
    // Normal: the thread follows its process's class again; the class is read
    // from another thread when there is one, as this one may have been raised.
    int processClass = kNormalPriorityClass;
    const pid_t self = currentThreadId();
    for (const pid_t tid : threadsOfThisProcess()) {
        if (tid == self)
            continue;
        if (isRealtimePolicy(::sched_getscheduler(tid))) {
            processClass = kRealtimePriorityClass;
        } else {
            errno = 0;
            const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
            processClass = nice < 0 ? kHighPriorityClass : kNormalPriorityClass;
        }
        break;
    }
    return applyClassToThread(self, processClass);
}

std::uint64_t readTimeStampCounter()
{
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    // No time-stamp counter that counts processor cycles: a nanosecond clock,
    // so the measured "processor speed" reads 1000 MHz on such machines.
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ULL + static_cast<std::uint64_t>(ts.tv_nsec);
#endif
}

void sleepMilliseconds(int ms)
{
    if (ms <= 0)
        return;
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

bool startDetachedProcess(const QString &executable, const QStringList &arguments, const QString &workingFolder,
                          int priorityClass)
{
    QStringList argv;
    QString program;
    if (isNativeExecutable(executable)) {
        program = executable;
    } else if (QFile::exists(executable)) {
        program = QStandardPaths::findExecutable(u"wine"_s);
        if (program.isEmpty())
            return false;
        argv.append(program);
    } else {
        return false;
    }
    argv.append(executable);
    argv.append(arguments);

    // Everything the child needs is prepared before fork(): after it, only
    // async-signal-safe calls are made.
    std::vector<QByteArray> storage;
    storage.reserve(size_t(argv.size()) + 2);
    for (const QString &arg : argv)
        storage.push_back(QFile::encodeName(arg));
    std::vector<char *> args;
    for (QByteArray &arg : storage)
        args.push_back(arg.data());
    args.push_back(nullptr);
    const QByteArray programPath = QFile::encodeName(program);
    const QByteArray folder = QFile::encodeName(workingFolder);
    const int nice = niceOfClass(priorityClass);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        // First child: a new session, then a grandchild that nobody waits for.
        ::close(pipeFds[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        int failure = 0;
        if (!folder.isEmpty() && ::chdir(folder.constData()) != 0)
            failure = errno;
        if (failure == 0) {
            ::setpriority(PRIO_PROCESS, 0, nice); // best effort
            const int devNull = ::open("/dev/null", O_RDONLY);
            if (devNull >= 0) {
                ::dup2(devNull, 0);
                ::close(devNull);
            }
            ::execv(programPath.constData(), args.data());
            failure = errno;
        }
        // The pipe closes at exec; anything written means the start failed.
        [[maybe_unused]] const ssize_t w = ::write(pipeFds[1], &failure, sizeof failure);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int failure = 0;
    ssize_t n;
    while ((n = ::read(pipeFds[0], &failure, sizeof failure)) < 0 && errno == EINTR) {
    }
    ::close(pipeFds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

QString userName()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name &&
        *found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    const QString variable = qEnvironmentVariable("USER");
    return variable.isEmpty() ? QString::number(geteuid()) : variable;
}

} // namespace platform
