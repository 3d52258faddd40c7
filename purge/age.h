#pragma once

#include <cstdint>
#include <optional>

/// A message's age as the purge counts it: from the calendar date of 1601-01-01 plus the
/// elapsed time, years = Y - 1601, months = M - 1, days = D (the day of the month, so a file
/// less than a day old is 1 day old), and total = years * 365 + months * 30 + days.
struct MessageAge {
  int years;
  int months;
  int days;
  uint32_t total;
};

/// The age of a file created at `creationTime` seen at `now` (both file times). Nothing when
/// the file was created after `now` or the elapsed time has no calendar form: such a file is
/// not old.
std::optional<MessageAge> ComputeAge(uint64_t now, uint64_t creationTime);

/// True when `age` exceeds `days`, both compared as unsigned 32-bit numbers (so a negative
/// `days` makes nothing old, and 0 makes everything old).
inline bool IsOld(const MessageAge& age, int32_t days) { return age.total > static_cast<uint32_t>(days); }
