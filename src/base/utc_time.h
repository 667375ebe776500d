// A moment in UTC, broken down: the clock gives it, the Date header reads it.
#pragma once

#include <cstdint>

namespace orvane {

// A moment in UTC, broken down. `day_of_week` counts from Sunday = 0.
struct UtcTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int day_of_week = 4;
};

// Seconds since 1970-01-01 UTC broken down (the proleptic Gregorian calendar).
UtcTime UtcTimeFromUnixSeconds(std::int64_t seconds);

// The other way: a broken-down moment (day_of_week not read) as seconds
// since 1970-01-01 UTC.
std::int64_t UnixSecondsFromUtcTime(const UtcTime& time);

}  // namespace orvane
