#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace platform {

/// The portable twin of the Windows file-time conversion: the proleptic Gregorian date of
/// 1601-01-01 00:00 plus `fileTime`. Rejects what Windows rejects (values above 2^63 - 1).
inline bool CivilDateFromFileTime(uint64_t fileTime, CalendarDate* date) {
  if (fileTime > 0x7FFFFFFFFFFFFFFFull) return false;
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr uint64_t kSecondsPerDay = 86400;
  const uint64_t seconds = fileTime / kTicksPerSecond;
  const uint64_t days = seconds / kSecondsPerDay;
  const uint64_t secondOfDay = seconds % kSecondsPerDay;

  // Days since 1601-01-01 shifted to an era count starting on 1600-03-01, so that each
  // 400-year era ends with the leap day (the civil-from-days method).
  const uint64_t shifted = days + 306;  // 1600-03-01 to 1601-01-01 is 306 days
  const uint64_t era = shifted / 146097;
  const uint64_t dayOfEra = shifted % 146097;
  const uint64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const uint64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const uint64_t monthIndex = (5 * dayOfYear + 2) / 153;  // 0 = March
  const uint64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const uint64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const uint64_t year = 1600 + era * 400 + yearOfEra + (month <= 2 ? 1 : 0);

  date->year = static_cast<int>(year);
  date->month = static_cast<int>(month);
  date->day = static_cast<int>(day);
  date->hour = static_cast<int>(secondOfDay / 3600);
  date->minute = static_cast<int>(secondOfDay / 60 % 60);
  date->second = static_cast<int>(secondOfDay % 60);
  return true;
}

}  // namespace platform
