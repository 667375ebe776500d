#include "http/core/http_date.h"

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

}  // namespace orvane
