#pragma once

#include <cstdint>

namespace platform {

/// A calendar date and time of day as the Windows file-time conversion yields it.
struct CalendarDate {
  int year;
  int month;  ///< 1 to 12
  int day;    ///< 1 to 31
  int hour;
  int minute;
  int second;
};

/// The current system time in UTC, as 100-nanosecond intervals since 1601-01-01 00:00 UTC; 0
/// (never a time the clock shows) when it cannot be read.
uint64_t CurrentFileTime();

/// The date of 1601-01-01 00:00 plus `fileTime` in the Gregorian calendar, as the Windows
/// file-time conversion gives it. False for values that conversion rejects (above 2^63 - 1).
bool FileTimeToDate(uint64_t fileTime, CalendarDate* date);

}  // namespace platform
