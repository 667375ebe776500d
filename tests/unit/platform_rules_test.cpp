// The pure rules the platform layer follows: local time in a zone, a cloud
// file's first wait, the search for a free "x (n)" name, leftover uploads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <set>
#include <string>

#include "base/cloud_wait.h"
#include "base/free_name.h"
#include "base/upload_temporary.h"
#include "base/zone_time.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvane {
namespace {

// The n-th (5: the last) Sunday of `month` at `hour`:00.
ZoneChange Sunday(int n, int month, int hour) { return {0, month, 0, n, hour, 0, 0}; }

// US Eastern time: April to October until 2006, March to November since.
std::optional<ZoneRules> Eastern(int year) {
  if (year < 2007) return ZoneRules{300, 0, -60, Sunday(5, 10, 2), Sunday(1, 4, 2)};
  return ZoneRules{300, 0, -60, Sunday(1, 11, 2), Sunday(2, 3, 2)};
}
std::optional<ZoneRules> China(int) { return ZoneRules{-480, 0, 0, {}, {}}; }
std::optional<ZoneRules> Sydney(int) {
  return ZoneRules{-600, 0, -60, Sunday(1, 4, 3), Sunday(1, 10, 2)};
}
// UTC+13, with daylight time in all of January only from 2024 on.
std::optional<ZoneRules> Changing(int year) {
  if (year < 2024) return ZoneRules{-780, 0, 0, {}, {}};
  return ZoneRules{-780, 0, -60, Sunday(1, 2, 3), Sunday(5, 12, 3)};
}
std::optional<ZoneRules> Unknown(int) { return std::nullopt; }

std::string Text(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

TEST(PlatformRulesTest, LocalTimeFollowsTheZonesRulesOfItsOwnYear) {
  const struct {
    std::optional<ZoneRules> (*zone)(int);
    std::int64_t utc;
    std::string local;
  } cases[] = {
      {Eastern, 1142856000, "2006-03-20 07:00"},  // before April then
      {Eastern, 1174392000, "2007-03-20 08:00"},  // after March's second Sunday since
      {Eastern, 1173596340, "2007-03-11 01:59"},  // the clocks jump a minute later
      {Eastern, 1173596400, "2007-03-11 03:00"},
      {Eastern, 1194155940, "2007-11-04 01:59"},  // daylight time's last minute
      {Eastern, 1194156000, "2007-11-04 01:00"},  // the hour again
      {China, 1688212800, "2023-07-01 20:00"},
      {Sydney, 1688212800, "2023-07-01 22:00"},
      {Sydney, 1704031200, "2024-01-01 01:00"},
      {Changing, 1703998800, "2023-12-31 18:00"},
      {Changing, 1704020400, "2024-01-01 01:00"},   // 2024's rules, not 2023's
      {Unknown, 1688212800, "2023-07-01 12:00"},    // UTC
      {China, -11644473601LL, "1600-12-31 23:59"},  // before Windows' time: UTC
  };
  for (const auto& c : cases) EXPECT_EQ(c.local, Text(LocalTimeInZone(c.utc, c.zone))) << c.utc;
}

#ifdef _WIN32
// Changes on dates rather than weekdays: March 20 12:00, back on September 1.
std::optional<ZoneRules> Dated(int) {
  return ZoneRules{0, 0, -60, {2010, 9, 0, 1, 0, 0, 0}, {2010, 3, 0, 20, 12, 0, 0}};
}

// The system's own conversion as the oracle, for zones whose rules are the
// same every year: a moment every 97 minutes of 2006 to 2011.
TEST(PlatformRulesTest, LocalTimeAgreesWithTheSystemsOwnConversion) {
  for (const auto zone : {Sydney, China, Dated, Eastern}) {
    const ZoneRules r = *zone(2010);
    const auto at = [](const ZoneChange& c) {
      return SYSTEMTIME{WORD(c.year), WORD(c.month),  WORD(c.day_of_week), WORD(c.day),
                        WORD(c.hour), WORD(c.minute), WORD(c.second),      0};
    };
    TIME_ZONE_INFORMATION system{
        r.bias, {}, at(r.to_standard), r.standard_bias, {}, at(r.to_daylight), r.daylight_bias};
    for (std::int64_t utc = 1136073600; utc < 1325376000; utc += 97 * 60) {
      const auto ticks = static_cast<ULONGLONG>(utc + 11644473600LL) * 10000000ULL;
      const FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
      SYSTEMTIME utc_time{};
      SYSTEMTIME t{};
      ASSERT_TRUE(FileTimeToSystemTime(&file, &utc_time) &&
                  SystemTimeToTzSpecificLocalTime(&system, &utc_time, &t));
      ASSERT_EQ(Text({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute}),
                Text(LocalTimeInZone(utc, [&](int) { return r; })))
          << utc;
    }
  }
}
#endif

TEST(PlatformRulesTest, ACloudFilesFirstReadWaitsAMinuteAndASecondPerTwoMebibytes) {
  constexpr std::uint64_t kMiB = 1024 * 1024;
  constexpr int kMost = std::numeric_limits<int>::max();
  const std::pair<std::uint64_t, int> cases[] = {
      {0, 60000},
      {kMiB, 60500},
      {2 * kMiB + 2098, 61001},
      {1024 * kMiB, 572000},                 // a 1 GiB video: over nine minutes
      {4 * 1024 * 1024 * kMiB, 2097212000},  // 4 TiB, just within an int
      {5 * 1024 * 1024 * kMiB, kMost},
      {std::numeric_limits<std::uint64_t>::max(), kMost},
  };
  for (const auto& [size, ms] : cases) EXPECT_EQ(ms, CloudFirstReadLimitMs(size)) << size;
}

TEST(PlatformRulesTest, FreeNumberAboveLandsOnAFreeNumberNextToATakenOne) {
  const struct {
    std::set<int> taken;  // besides 0, the name itself; -1: a look past 1 fails
    int above;
    std::optional<int> found;
  } cases[] = {
      {{}, 0, 1},
      {{1, 2}, 0, 3},
      {{1, 3, 4, 5}, 0, 2},
      {{1, 2, 3, 4, 6, 7, 8}, 0, 9},     // the gap at 5 is passed over
      {{1, 2, 3, 4, 5, 6, 7, 8}, 6, 9},  // above a number lost to a race
      {{1, -1}, 0, std::nullopt},
      {{kMaxNameNumber}, kMaxNameNumber - 1, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto look = [&](int n) {
      if (c.taken.count(-1) != 0 && n > 1) return NameLook::kFailed;
      return n == 0 || c.taken.count(n) != 0 ? NameLook::kTaken : NameLook::kFree;
    };
    EXPECT_EQ(c.found, FreeNumberAbove(c.above, look)) << c.taken.size() << " taken";
  }
}

TEST(PlatformRulesTest, LooksForAFreeNameGrowWithTheLogarithmOfTheCopies) {
  for (const int copies : {1, 7, 100, 2000, 10000, 1000000}) {
    int looks = 0;
    const auto look = [&](int n) {
      ++looks;
      return n <= copies ? NameLook::kTaken : NameLook::kFree;
    };
    EXPECT_EQ(copies + 1, FreeNumberAbove(0, look));
    // Doubling up to the first free number, then halving the last step.
    EXPECT_LE(looks, 2 * static_cast<int>(std::ceil(std::log2(copies + 1))) + 2) << copies;
  }
}

TEST(PlatformRulesTest, OnlyOurOwnTemporaryNamesUnwrittenForOverADayAreLeftovers) {
  const std::string ours = UploadTemporaryName(std::string("\x00\x01\x7F\xFF\x80\xC0\xFE\xFF", 8));
  EXPECT_EQ(".orvane-00017fff80c0feff.part", ours);
  constexpr std::int64_t kDay = 24 * 60 * 60;
  const struct {
    std::string name;
    std::int64_t age;
    bool leftover;
  } cases[] = {
      {ours, kDay + 1, true},
      {ours, kDay, false},                                 // an upload may still be under way
      {ours, -2 * kDay, false},                            // written "after" the sweep's clock
      {".orvane-0123456789ABCDEF.part", 2 * kDay, false},  // never made so
      {".orvane-0123456789abcdeg.part", 2 * kDay, false},
      {ours + ".jpg", 2 * kDay, false},
      {"x" + ours, 2 * kDay, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.leftover, IsLeftoverUpload(c.name, 1700000000 - c.age, 1700000000))
        << c.name << " " << c.age;
  }
}

}  // namespace
}  // namespace orvane
