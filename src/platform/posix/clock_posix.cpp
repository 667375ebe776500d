#include <time.h>

#include "platform/clock.h"

namespace orvane::platform {

UtcTime CurrentUtcTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return UtcTimeFromUnixSeconds(static_cast<std::int64_t>(now.tv_sec));
}

std::int64_t CurrentUnixSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec);
}

LocalTime LocalTimeFromUnixSeconds(std::int64_t seconds) {
  const auto when = static_cast<time_t>(seconds);
  tm local{};
  if (localtime_r(&when, &local) == nullptr) {
    const UtcTime utc = UtcTimeFromUnixSeconds(seconds);
    return {utc.year, utc.month, utc.day, utc.hour, utc.minute};
  }
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

std::int64_t MonotonicMillis() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void SleepMillis(int milliseconds) {
  timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}

}  // namespace orvane::platform
