#include "purge/age.h"

#include "platform/clock.h"

std::optional<MessageAge> ComputeAge(uint64_t now, uint64_t creationTime) {
  if (creationTime > now) return std::nullopt;
  platform::CalendarDate date;
  if (!platform::FileTimeToDate(now - creationTime, &date)) return std::nullopt;
  MessageAge age;
  age.years = date.year - 1601;
  age.months = date.month - 1;
  age.days = date.day;
  age.total = static_cast<uint32_t>(age.years) * 365u + static_cast<uint32_t>(age.months) * 30u +
              static_cast<uint32_t>(age.days);
  return age;
}
