#include <windows.h>

#include <cstdint>
#include <optional>

#include "base/file_attributes.h"
#include "base/zone_time.h"
#include "platform/clock.h"

namespace orvane::platform {

UtcTime CurrentUtcTime() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  UtcTime t;
  t.year = now.wYear;
  t.month = now.wMonth;
  t.day = now.wDay;
  t.hour = now.wHour;
  t.minute = now.wMinute;
  t.second = now.wSecond;
  t.day_of_week = now.wDayOfWeek;
  return t;
}

std::int64_t CurrentUnixSeconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return UnixSecondsFromFileTime((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                 now.dwLowDateTime);
}

namespace {

ZoneChange ChangeOf(const SYSTEMTIME& t) {
  return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

ZoneRules RulesOf(const TIME_ZONE_INFORMATION& zone) {
  return {static_cast<int>(zone.Bias), static_cast<int>(zone.StandardBias),
          static_cast<int>(zone.DaylightBias), ChangeOf(zone.StandardDate),
          ChangeOf(zone.DaylightDate)};
}

// The machine's time zone and its rules in the years converted lately.
// Asking the system reads the registry (under Wine half a millisecond a
// year's rules), and a listing converts thousands of times, so each thread
// asks once and again a second later, when the zone may have changed.
struct ZoneCache {
  static constexpr int kYears = 8;  // direct-mapped by year
  std::int64_t fetched_ms = 0;
  bool fetched = false;
  // False when the rules cannot be asked year by year: the zone is unknown,
  // or daylight saving time is not adjusted (then today's rules, with none,
  // are right for every year).
  bool by_year = false;
  DYNAMIC_TIME_ZONE_INFORMATION zone;
  std::optional<ZoneRules> today;
  int years[kYears];
  ZoneRules rules[kYears];
};
thread_local ZoneCache t_zone;

// This machine's rules for `year`: the dynamic time zone data's, where the
// system holds them, else today's; nullopt when the zone is unknown.
std::optional<ZoneRules> MachineRulesOfYear(int year) {
  ZoneCache& z = t_zone;
  const std::int64_t now = MonotonicMillis();
  if (!z.fetched || now - z.fetched_ms > 1000) {
    z.fetched = true;
    z.fetched_ms = now;
    z.zone = DYNAMIC_TIME_ZONE_INFORMATION{};
    z.by_year = GetDynamicTimeZoneInformation(&z.zone) != TIME_ZONE_ID_INVALID &&
                z.zone.DynamicDaylightTimeDisabled == FALSE;
    TIME_ZONE_INFORMATION today{};
    z.today.reset();
    if (GetTimeZoneInformation(&today) != TIME_ZONE_ID_INVALID) z.today = RulesOf(today);
    for (int& known : z.years) known = 0;
  }
  if (!z.by_year) return z.today;
  const int slot = year % ZoneCache::kYears;
  if (z.years[slot] != year) {
    TIME_ZONE_INFORMATION rules{};
    if (GetTimeZoneInformationForYear(static_cast<USHORT>(year), &z.zone, &rules) == 0) {
      return z.today;
    }
    z.rules[slot] = RulesOf(rules);
    z.years[slot] = year;
  }
  return z.rules[slot];
}

}  // namespace

LocalTime LocalTimeFromUnixSeconds(std::int64_t seconds) {
  return LocalTimeInZone(seconds, &MachineRulesOfYear);
}

std::int64_t MonotonicMillis() { return static_cast<std::int64_t>(GetTickCount64()); }

void SleepMillis(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace orvane::platform
