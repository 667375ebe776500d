// The clock: wall time in UTC for the Date header, a monotonic clock for
// deadlines, and sleeping.
#pragma once

#include <cstdint>

#include "base/utc_time.h"

namespace orvane::platform {

UtcTime CurrentUtcTime();
// Milliseconds from an arbitrary start; never goes backwards.
std::int64_t MonotonicMillis();
void SleepMillis(int milliseconds);

}  // namespace orvane::platform
