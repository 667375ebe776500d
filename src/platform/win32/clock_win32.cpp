#include <windows.h>

#include <cstdint>

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

namespace {

// The machine's time zone and the rules it had in the years converted
// lately. Asking the system reads the registry (under Wine half a
// millisecond a year's rules), and a listing converts thousands of times, so
// each thread asks once and again a second later, when the zone may have
// changed.
struct ZoneRules {
  static constexpr int kYears = 8;  // direct-mapped by year
  std::int64_t fetched_ms = 0;
  bool fetched = false;
  // False when the rules cannot be asked year by year: the zone is unknown,
  // or daylight saving time is not adjusted (then today's rules, with none,
  // are right for every year).
  bool by_year = false;
  DYNAMIC_TIME_ZONE_INFORMATION zone;
  int years[kYears];
  TIME_ZONE_INFORMATION rules[kYears];
};
thread_local ZoneRules t_zone_rules;

// The rules of `year` in this thread's zone; nullptr when the zone's rules
// cannot be asked by year.
const TIME_ZONE_INFORMATION* RulesOfYear(int year) {
  ZoneRules& z = t_zone_rules;
  const std::int64_t now = MonotonicMillis();
  if (!z.fetched || now - z.fetched_ms > 1000) {
    z.fetched = true;
    z.fetched_ms = now;
    z.zone = DYNAMIC_TIME_ZONE_INFORMATION{};
    z.by_year = GetDynamicTimeZoneInformation(&z.zone) != TIME_ZONE_ID_INVALID &&
                z.zone.DynamicDaylightTimeDisabled == FALSE;
    for (int& known : z.years) known = 0;
  }
  if (!z.by_year) return nullptr;
  const int slot = year % ZoneRules::kYears;
  if (z.years[slot] != year) {
    if (GetTimeZoneInformationForYear(static_cast<USHORT>(year), &z.zone, &z.rules[slot]) == 0) {
      return nullptr;
    }
    z.years[slot] = year;
  }
  return &z.rules[slot];
}

// `utc` in local time under the rules of the year it falls in there: those of
// its UTC year, or, when the local moment lies in the next or the previous
// year, that year's.
bool ToLocal(const SYSTEMTIME& utc, SYSTEMTIME& local) {
  const TIME_ZONE_INFORMATION* rules = RulesOfYear(utc.wYear);
  if (SystemTimeToTzSpecificLocalTime(rules, &utc, &local) == 0) return false;
  if (rules == nullptr || local.wYear == utc.wYear) return true;
  const TIME_ZONE_INFORMATION* local_rules = RulesOfYear(local.wYear);
  return local_rules == nullptr || SystemTimeToTzSpecificLocalTime(local_rules, &utc, &local) != 0;
}

}  // namespace

LocalTime LocalTimeFromUnixSeconds(std::int64_t seconds) {
  // A FILETIME counts 100-nanosecond ticks from 1601; 1970 is 11644473600 s later.
  const auto ticks = static_cast<ULONGLONG>(seconds + 11644473600LL) * 10000000ULL;
  const FILETIME utc_file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (seconds < -11644473600LL || !FileTimeToSystemTime(&utc_file, &utc) || !ToLocal(utc, local)) {
    const UtcTime fallback = UtcTimeFromUnixSeconds(seconds);
    return {fallback.year, fallback.month, fallback.day, fallback.hour, fallback.minute};
  }
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute};
}

std::int64_t MonotonicMillis() { return static_cast<std::int64_t>(GetTickCount64()); }

void SleepMillis(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace orvane::platform
