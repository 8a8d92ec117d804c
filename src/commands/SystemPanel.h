#pragma once

#include "platform/System.h"

#include <QLocale>
#include <QString>
#include <cstdint>

// The "System Info" group: processor speed and system name once at start-up,
// memory and disk every second (SystemInfo, Timer2).

// GetCPUSpeed: about half a second at raised priority; MHz.
double GetCPUSpeed();
// MHz from two counter readings half a second apart; the difference is taken
// in 64 bits, so a counter that advances by 2^32 or more is not wrapped.
double cpuSpeedFromCounter(std::uint64_t start, std::uint64_t end);
// "%f MHz" with two decimals and the locale's decimal separator: "1994.53 MHz".
QString cpuSpeedText(double mhz);
QString cpuSpeedText(double mhz, const QLocale &locale);
// "Windows 98 v.4.10" for Windows versions, "Linux v.6.1" for Linux.
QString systemName(const platform::OsVersion &version);
// round(total bytes / 1024 / 1024) + 1, ties to even.
std::int64_t totalMemoryMB(std::uint64_t totalPhysicalBytes);
// "37 % of 512 MB"
QString memoryUsageText(int loadPercent, std::int64_t totalMB);
// "1234 MB"; -1 bytes (unreadable) shows "0 MB".
QString diskFreeText(std::int64_t freeBytes);
