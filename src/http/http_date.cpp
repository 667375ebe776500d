#include "http/http_date.h"

namespace orvane {

namespace {

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void AppendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

std::string FormatHttpDate(const UtcTime& time) {
  std::string out;
  out.reserve(29);
  out.append(kDayNames[((time.day_of_week % 7) + 7) % 7]);
  out.append(", ");
  AppendTwoDigits(out, time.day);
  out.push_back(' ');
  out.append(kMonthNames[(time.month >= 1 && time.month <= 12) ? time.month - 1 : 0]);
  out.push_back(' ');
  AppendTwoDigits(out, time.year / 100);
  AppendTwoDigits(out, time.year % 100);
  out.push_back(' ');
  AppendTwoDigits(out, time.hour);
  out.push_back(':');
  AppendTwoDigits(out, time.minute);
  out.push_back(':');
  AppendTwoDigits(out, time.second);
  out.append(" GMT");
  return out;
}

UtcTime UtcTimeFromUnixSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    days -= 1;
  }
  UtcTime t;
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  t.day_of_week = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  // Civil date from a day count (Howard Hinnant's algorithm).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  return t;
}

}  // namespace orvane
