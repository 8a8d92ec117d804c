#include "commands/SystemPanel.h"

#include "common/Rounding.h"

using namespace Qt::StringLiterals;

double GetCPUSpeed()
{
    const int processClass = platform::processPriorityClass();
    const int threadPriority = platform::currentThreadPriority();
    // Raised so that nothing else runs between the two readings; refused
    // without privilege, which only makes the figure a little less exact.
    platform::setProcessPriorityClass(platform::kRealtimePriorityClass);
    platform::setCurrentThreadPriority(platform::kThreadPriorityTimeCritical);
    platform::sleepMilliseconds(10);
    const std::uint64_t start = platform::readTimeStampCounter();
    platform::sleepMilliseconds(500);
    const std::uint64_t end = platform::readTimeStampCounter();
    platform::setCurrentThreadPriority(threadPriority);
    platform::setProcessPriorityClass(processClass);
    return cpuSpeedFromCounter(start, end);
}

double cpuSpeedFromCounter(std::uint64_t start, std::uint64_t end)
{
    return static_cast<double>(end - start) / 500000.0;
}

QString cpuSpeedText(double mhz)
{
    return cpuSpeedText(mhz, QLocale::system());
}

QString cpuSpeedText(double mhz, const QLocale &locale)
{
    // Like "%f" in C: ASCII digits, no thousands separator, the locale's decimal point.
    QString number = QString::number(mhz, 'f', 2);
    number.replace(u'.', locale.decimalPoint());
    return number + u" MHz"_s;
}

QString systemName(const platform::OsVersion &version)
{
    // The names carry no blank of their own: "Windows 98 v.4.10", and
    // "Windows  v.6.1" (two blanks) where the table has no name.
    QString name;
    if (!version.windows) {
        name = u"Linux"_s;
    } else {
        name = u"Windows "_s;
        switch (version.platformId) {
        case 0:
            name += u"3.11"_s;
            break;
        case 1:
            name += version.minor == 0 ? u"95"_s : version.minor == 90 ? u"ME"_s : u"98"_s;
            break;
        case 2:
            if (version.major == 3)
                name += u"3"_s;
            else if (version.major == 4)
                name += u"4"_s;
            else if (version.major == 5)
                name += u"2000"_s;
            break;
        default:
            break;
        }
    }
    return name + u" v."_s + QString::number(version.major) + u'.' + QString::number(version.minor);
}

std::int64_t totalMemoryMB(std::uint64_t totalPhysicalBytes)
{
    return roundHalfEven(static_cast<double>(totalPhysicalBytes) / 1024.0 / 1024.0) + 1;
}

QString memoryUsageText(int loadPercent, std::int64_t totalMB)
{
    return QString::number(loadPercent) + u" % of "_s + QString::number(totalMB) + u" MB"_s;
}

QString diskFreeText(std::int64_t freeBytes)
{
    return QString::number(roundHalfEven(static_cast<double>(freeBytes) / 1024.0 / 1024.0)) + u" MB"_s;
}
