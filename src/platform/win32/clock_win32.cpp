#include <windows.h>

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

LocalTime LocalTimeFromUnixSeconds(std::int64_t seconds) {
  // A FILETIME counts 100-nanosecond ticks from 1601; 1970 is 11644473600 s later.
  const auto ticks = static_cast<ULONGLONG>(seconds + 11644473600LL) * 10000000ULL;
  const FILETIME utc_file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (seconds < -11644473600LL || !FileTimeToSystemTime(&utc_file, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    const UtcTime fallback = UtcTimeFromUnixSeconds(seconds);
    return {fallback.year, fallback.month, fallback.day, fallback.hour, fallback.minute};
  }
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute};
}

std::int64_t MonotonicMillis() { return static_cast<std::int64_t>(GetTickCount64()); }

void SleepMillis(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace orvane::platform
