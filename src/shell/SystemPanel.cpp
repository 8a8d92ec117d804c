#include "shell/SystemPanel.h"

double GetCPUSpeed()
{
    return 0;
}
QString cpuSpeedText(double)
{
    return QStringLiteral("0 MHz");
}
QString systemName(const platform::OsVersion &)
{
    return QStringLiteral("Windows ME");
}
std::int64_t totalMemoryMB(std::uint64_t)
{
    return 0;
}
QString memoryUsageText(int, std::int64_t)
{
    return QStringLiteral("0 %");
}
QString diskFreeText(std::int64_t)
{
    return QStringLiteral("0 MB");
}
