#include "commands/SystemPanel.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

platform::OsVersion windows(int platformId, int major, int minor)
{
    return platform::OsVersion{true, platformId, major, minor};
}

} // namespace

TEST(SystemPanel, SystemNames)
{
    EXPECT_EQ(systemName(windows(1, 4, 0)), u"Windows 95 v.4.0"_s);
    EXPECT_EQ(systemName(windows(1, 4, 10)), u"Windows 98 v.4.10"_s);
    EXPECT_EQ(systemName(windows(1, 4, 90)), u"Windows ME v.4.90"_s);
    EXPECT_EQ(systemName(windows(2, 3, 51)), u"Windows 3 v.3.51"_s);
    EXPECT_EQ(systemName(windows(2, 4, 0)), u"Windows 4 v.4.0"_s);
    EXPECT_EQ(systemName(windows(2, 5, 1)), u"Windows 2000 v.5.1"_s);
    EXPECT_EQ(systemName(windows(2, 6, 1)), u"Windows  v.6.1"_s);
    EXPECT_EQ(systemName(windows(0, 3, 11)), u"Windows 3.11 v.3.11"_s);
    EXPECT_EQ(systemName(windows(7, 1, 2)), u"Windows  v.1.2"_s);
    EXPECT_EQ(systemName(platform::OsVersion{false, 0, 6, 1}), u"Linux v.6.1"_s);
    EXPECT_TRUE(systemName(platform::osVersion()).startsWith(u"Linux v."_s));
}

TEST(SystemPanel, MemoryAndDiskFiguresRoundHalfToEven)
{
    constexpr double mb = 1024.0 * 1024.0;
    EXPECT_EQ(totalMemoryMB(std::uint64_t(511.4 * mb)), 512);
    EXPECT_EQ(totalMemoryMB(std::uint64_t(512.0 * mb)), 513);
    EXPECT_EQ(totalMemoryMB(std::uint64_t(512.5 * mb)), 513); // 512 is even
    EXPECT_EQ(totalMemoryMB(std::uint64_t(513.5 * mb)), 515);
    // A machine with more than 4 GB: the whole figure, not the low 32 bits.
    EXPECT_EQ(totalMemoryMB(16ull * 1024 * 1024 * 1024), 16385);

    EXPECT_EQ(memoryUsageText(37, 512), u"37 % of 512 MB"_s);
    EXPECT_EQ(diskFreeText(1536 * 1024), u"2 MB"_s);
    EXPECT_EQ(diskFreeText(2560 * 1024), u"2 MB"_s);
    EXPECT_EQ(diskFreeText(3584 * 1024), u"4 MB"_s);
    EXPECT_EQ(diskFreeText(-1), u"0 MB"_s);
    EXPECT_EQ(diskFreeText(5'000'000'000'000LL), u"4768372 MB"_s);
}

TEST(SystemPanel, CpuSpeedText)
{
    EXPECT_EQ(cpuSpeedText(1994.531, QLocale::c()), u"1994.53 MHz"_s);
    EXPECT_EQ(cpuSpeedText(1994.535, QLocale::c()), u"1994.54 MHz"_s);
    EXPECT_EQ(cpuSpeedText(3000, QLocale(QLocale::German, QLocale::Germany)), u"3000,00 MHz"_s);
    EXPECT_EQ(cpuSpeedText(0), u"0"_s + QLocale::system().decimalPoint() + u"00 MHz"_s);
}

TEST(SystemPanel, CounterDifferenceIsNotWrappedAt32Bits)
{
    EXPECT_DOUBLE_EQ(cpuSpeedFromCounter(1000, 1000 + 997'265'000), 1994.53);
    // 3 GHz for half a second is 1.5e9 counts; 6 GHz would pass 2^32.
    const std::uint64_t start = 0xFFFF'FF00ull;
    EXPECT_DOUBLE_EQ(cpuSpeedFromCounter(start, start + 3'000'000'000ull), 6000.0);
}

TEST(SystemPanel, MeasuresTheProcessorAndPutsPrioritiesBack)
{
    const int processClass = platform::processPriorityClass();
    const int threadPriority = platform::currentThreadPriority();
    QElapsedTimer clock;
    clock.start();
    const double mhz = GetCPUSpeed();
    EXPECT_GE(clock.elapsed(), 510);
    EXPECT_GT(mhz, 10.0);
    EXPECT_LT(mhz, 20000.0);
    EXPECT_EQ(platform::processPriorityClass(), processClass);
    EXPECT_EQ(platform::currentThreadPriority(), threadPriority);
}
