#include <time.h>

#include "platform/clock.h"

namespace orvane::platform {

UtcTime CurrentUtcTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return UtcTimeFromUnixSeconds(static_cast<std::int64_t>(now.tv_sec));
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
