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

std::int64_t MonotonicMillis() { return static_cast<std::int64_t>(GetTickCount64()); }

void SleepMillis(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace orvane::platform
