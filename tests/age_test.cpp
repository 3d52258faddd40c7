#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <tuple>

#include "platform/civil_date.h"
#include "platform/clock.h"
#include "purge/age.h"
#include "tests/test_support.h"

namespace {

constexpr uint64_t kTicksPerHour = 36000000000ull;
constexpr uint64_t kTicksPerDay = 24 * kTicksPerHour;

struct WorkedAge {
  uint64_t elapsed;
  int years, months, days;
  uint32_t total;
  bool oldAt30;
};

TEST(Age, TheWorkedTableHoldsForRealElapsedTimes) {
  const WorkedAge table[] = {
      {2 * kTicksPerHour, 0, 0, 1, 1, false},     {29 * kTicksPerDay + 23 * kTicksPerHour, 0, 0, 30, 30, false},
      {30 * kTicksPerDay, 0, 0, 31, 31, true},    {31 * kTicksPerDay, 0, 1, 1, 31, true},
      {58 * kTicksPerDay, 0, 1, 28, 58, true},    {59 * kTicksPerDay, 0, 2, 1, 61, true},
      {364 * kTicksPerDay, 0, 11, 31, 361, true}, {365 * kTicksPerDay, 1, 0, 1, 366, true},
      {400 * kTicksPerDay, 1, 1, 5, 400, true},
  };
  const uint64_t now = platform::HostSystem().CurrentFileTime();
  for (const WorkedAge& row : table) {
    SCOPED_TRACE(row.elapsed / kTicksPerHour);
    const auto found = ComputeAge(now, now - row.elapsed);
    ASSERT_TRUE(found);
    const MessageAge& age = *found;
    EXPECT_EQ(age.years, row.years);
    EXPECT_EQ(age.months, row.months);
    EXPECT_EQ(age.days, row.days);
    EXPECT_EQ(age.total, row.total);
    EXPECT_EQ(IsOld(age, 30), row.oldAt30);
  }
  // The age never falls as time goes on.
  uint32_t previous = 0;
  for (uint64_t hours = 0; hours < 24 * 3 * 366; hours += 5) {
    const auto age = ComputeAge(now, now - hours * kTicksPerHour);
    ASSERT_TRUE(age);
    ASSERT_GE(age->total, previous) << hours;
    previous = age->total;
  }
}

// Days compare as unsigned numbers; a file from the future has no age and is not old.
TEST(Age, DaysCompareAsUnsignedNumbers) {
  const uint64_t now = platform::HostSystem().CurrentFileTime();
  const auto fresh = ComputeAge(now, now);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->total, 1u);
  EXPECT_TRUE(IsOld(*fresh, 0));  // with days 0 every file is old

  const auto ancient = ComputeAge(now, now - 20000 * kTicksPerDay);
  ASSERT_TRUE(ancient);
  EXPECT_TRUE(IsOld(*ancient, 30));
  EXPECT_FALSE(IsOld(*ancient, -1));  // a negative days selects nothing
  EXPECT_FALSE(IsOld(*ancient, INT32_MIN));
  EXPECT_FALSE(ComputeAge(now, now + 1));
  EXPECT_FALSE(ComputeAge(now, now + 400 * kTicksPerDay));
}

void ExpectSameDate(uint64_t fileTime) {
  platform::CalendarDate portable{};
  platform::CalendarDate system{};
  const bool portableOk = platform::CivilDateFromFileTime(fileTime, &portable);
  const bool systemOk = platform::FileTimeToDate(fileTime, &system);
  ASSERT_EQ(portableOk, systemOk) << fileTime;
  if (!portableOk) return;
  const auto fields = [](const platform::CalendarDate& d) {
    return std::make_tuple(d.year, d.month, d.day, d.hour, d.minute, d.second);
  };
  ASSERT_EQ(fields(portable), fields(system)) << fileTime;
}

TEST(CalendarConversion, PortableConversionGivesKnownDates) {
  platform::CalendarDate date;
  ASSERT_TRUE(platform::CivilDateFromFileTime(0, &date));
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 16010101);
  ASSERT_TRUE(platform::CivilDateFromFileTime(59 * kTicksPerDay, &date));
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 16010301);
  ASSERT_TRUE(platform::CivilDateFromFileTime(116444736000000000ull, &date));  // the POSIX epoch
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 19700101);
  ASSERT_TRUE(platform::CivilDateFromFileTime(125962560000000000ull, &date));
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 20000229);
  EXPECT_FALSE(platform::CivilDateFromFileTime(0x8000000000000000ull, &date));
}

TEST(CalendarConversion, PortableConversionAgreesWithTheSystemOne) {
  // Natively FileTimeToDate is the portable conversion itself: only the Windows build has a
  // system conversion to compare with.
  if (!testing_support::IsWindowsBuild()) GTEST_SKIP() << "no system conversion natively";
  // Every day boundary for five years around a leap year and the century rule, both sides.
  for (uint64_t day = 0; day <= 5 * 366; ++day) {
    for (uint64_t base : {0ull, 146097ull * 1 + 365 * 99 - 2, 145000ull}) {
      const uint64_t t = (base + day) * kTicksPerDay;
      ExpectSameDate(t);
      if (t > 0) ExpectSameDate(t - 1);
    }
  }
  // Random points up to year 30000 and beyond the conversion's range.
  std::mt19937_64 random(20261207);
  const uint64_t year30000 = 10594256ull * kTicksPerDay;
  for (int i = 0; i < 200000; ++i) ExpectSameDate(random() % year30000);
  for (int i = 0; i < 1000; ++i) ExpectSameDate(random());
  ExpectSameDate(0x7FFFFFFFFFFFFFFFull);
}

}  // namespace
