// A moment in the machine's own time zone, broken down to the minute: what a
// person reads beside a file's name.
#pragma once

namespace orvane {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  int hour = 0;
  int minute = 0;
};

}  // namespace orvane
