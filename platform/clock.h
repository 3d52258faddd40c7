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

/// The date of 1601-01-01 00:00 plus `fileTime` in the Gregorian calendar, as the Windows
/// file-time conversion gives it. False for values that conversion rejects (above 2^63 - 1).
bool FileTimeToDate(uint64_t fileTime, CalendarDate* date);

}  // namespace platform
