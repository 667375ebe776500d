#include "http/core/http_date.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace orvane {
namespace {

struct DateCase {
  std::int64_t seconds;
  std::string expected;
};

TEST(HttpDateTest, FormatsUnixSecondsAsTheDateHeader) {
  const DateCase cases[] = {
      {0, "Thu, 01 Jan 1970 00:00:00 GMT"},
      {1796565909, "Sun, 06 Dec 2026 14:05:09 GMT"},
      {1796603400, "Mon, 07 Dec 2026 00:30:00 GMT"},
      {1796648709, "Mon, 07 Dec 2026 13:05:09 GMT"},
      {1767229509, "Thu, 01 Jan 2026 01:05:09 GMT"},
      {951782400, "Tue, 29 Feb 2000 00:00:00 GMT"},
      {1709208000, "Thu, 29 Feb 2024 12:00:00 GMT"},
      {946684799, "Fri, 31 Dec 1999 23:59:59 GMT"},
      {946684800, "Sat, 01 Jan 2000 00:00:00 GMT"},
      {4107542399, "Sun, 28 Feb 2100 23:59:59 GMT"},
      {4107542400, "Mon, 01 Mar 2100 00:00:00 GMT"},
      {2147483648, "Tue, 19 Jan 2038 03:14:08 GMT"},
      {253402300799, "Fri, 31 Dec 9999 23:59:59 GMT"},
      {-1, "Wed, 31 Dec 1969 23:59:59 GMT"},
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(c.seconds);
    const std::string text = FormatHttpDate(UtcTimeFromUnixSeconds(c.seconds));
    EXPECT_EQ(c.expected, text);
  }
}

TEST(HttpDateTest, FormatsABrokenDownTime) {
  UtcTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 6;
  t.hour = 14;
  t.minute = 5;
  t.second = 9;
  t.day_of_week = 0;
  EXPECT_EQ("Sun, 06 Dec 2026 14:05:09 GMT", FormatHttpDate(t));
  t.hour = 13;
  EXPECT_EQ("Sun, 06 Dec 2026 13:05:09 GMT", FormatHttpDate(t));
  t.hour = 0;
  t.day = 31;
  t.month = 1;
  t.year = 2027;
  t.day_of_week = 0;
  EXPECT_EQ("Sun, 31 Jan 2027 00:05:09 GMT", FormatHttpDate(t));
}

// Walks day by day with its own calendar and compares every day from 1900 to
// 2400 with the conversion: weekday, month lengths, leap years; and the
// conversion back gives the seconds again.
TEST(HttpDateTest, AgreesWithADayByDayCalendarFor500Years) {
  const auto days_in_month = [](int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
  };
  // 1900-01-01 was a Monday, 25567 days before 1970-01-01.
  int year = 1900, month = 1, day = 1, weekday = 1;
  int mismatches = 0;
  for (std::int64_t days = -25567; year < 2400; ++days) {
    const UtcTime t = UtcTimeFromUnixSeconds(days * 86400 + 43200);
    if (t.year != year || t.month != month || t.day != day || t.day_of_week != weekday ||
        t.hour != 12 || UnixSecondsFromUtcTime(t) != days * 86400 + 43200) {
      ADD_FAILURE() << "day " << days << ": expected " << year << "-" << month << "-" << day;
      if (++mismatches > 5) break;
    }
    weekday = (weekday + 1) % 7;
    if (++day > days_in_month(year, month)) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
}

}  // namespace
}  // namespace orvane
