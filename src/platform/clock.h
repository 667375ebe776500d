// The clock: wall time in UTC for the Date header, local time for people to
// read, a monotonic clock for deadlines, and sleeping.
#pragma once

#include <cstdint>

#include "base/local_time.h"
#include "base/utc_time.h"

namespace orvane::platform {

UtcTime CurrentUtcTime();
// The same moment as seconds since 1970 UTC.
std::int64_t CurrentUnixSeconds();
// Milliseconds from an arbitrary start; never goes backwards.
std::int64_t MonotonicMillis();
// Seconds since 1970 UTC in this machine's time zone, with the daylight
// saving rules of that moment's year as the system knows them (Windows: its
// dynamic time zone data, which hold a zone's past rule changes year by year,
// and today's rules where it has none, converted by LocalTimeInZone,
// base/zone_time.h; POSIX: the tz database). A moment the system cannot
// convert is given in UTC.
LocalTime LocalTimeFromUnixSeconds(std::int64_t seconds);
void SleepMillis(int milliseconds);

}  // namespace orvane::platform
