// Local time from UTC under a time zone's rules as Windows describes them
// (TIME_ZONE_INFORMATION: a bias, and the two days a year the clocks
// change), with the rules of the moment's own year. Pure: the Windows
// backend supplies this machine's zone, the tests any zone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "base/local_time.h"

namespace orvane {

// A change of the clocks as SYSTEMTIME states it in TIME_ZONE_INFORMATION.
// With year 0 it falls on the `day`-th (1-4, 5 = the last) `day_of_week`
// (0 = Sunday) of `month`; with a year, on `day` of `month` (the rules are
// asked for each year, so that year is the one converted, and Windows' own
// conversion reads it so too). The time is local, as the clocks read before
// the change. A month of 0 means no change.
struct ZoneChange {
  int year = 0;
  int month = 0;  // 1-12
  int day_of_week = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// A zone's rules for one year: UTC = local time + bias (+ the standard or
// daylight bias in that part of the year), all in minutes.
struct ZoneRules {
  int bias = 0;
  int standard_bias = 0;
  int daylight_bias = 0;
  ZoneChange to_standard;  // when daylight saving time ends
  ZoneChange to_daylight;  // when it begins
};

// The zone's rules for a year; nullopt when it has none for that year.
using ZoneRulesOfYear = std::function<std::optional<ZoneRules>(int year)>;

// `utc_seconds` (since 1970 UTC) in local time: under the rules of its UTC
// year, or, when the local moment falls in the next or the previous year,
// under that year's. A moment before 1601 or one the zone has no rules for
// is given in UTC.
[[nodiscard]] LocalTime LocalTimeInZone(std::int64_t utc_seconds, const ZoneRulesOfYear& zone);

}  // namespace orvane
