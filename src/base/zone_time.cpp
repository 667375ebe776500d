#include "base/zone_time.h"

#include "base/utc_time.h"

namespace orvane {

namespace {

constexpr std::int64_t kDaySeconds = 86400;
// 1601-01-01, where Windows' time begins, in seconds since 1970.
constexpr std::int64_t kWindowsEpoch = -11644473600LL;

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yoe = year - era * 400;
  const std::int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DaysInMonth(int year, int month) {
  return static_cast<int>(
      DaysFromCivil(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) -
      DaysFromCivil(year, month, 1));
}

// The moment of `change` in `year`, in seconds of the local clock it is
// stated in, counted as UTC seconds are; nullopt for a date that is not one.
std::optional<std::int64_t> ChangeIn(int year, const ZoneChange& change) {
  if (change.month < 1 || change.month > 12) return std::nullopt;
  int day = change.day;
  if (change.year == 0) {
    if (change.day < 1 || change.day > 5 || change.day_of_week < 0 || change.day_of_week > 6) {
      return std::nullopt;
    }
    const std::int64_t first = DaysFromCivil(year, change.month, 1);
    const int first_weekday = static_cast<int>(((first % 7) + 11) % 7);  // 1970-01-01: Thursday
    day = 1 + (change.day_of_week - first_weekday + 7) % 7 + (change.day - 1) * 7;
    while (day > DaysInMonth(year, change.month)) day -= 7;  // 5: the last one
  } else if (day < 1 || day > DaysInMonth(year, change.month)) {
    return std::nullopt;
  }
  return DaysFromCivil(year, change.month, day) * kDaySeconds + change.hour * 3600 +
         change.minute * 60 + change.second;
}

// The offset in minutes (UTC = local + offset) at `utc_seconds` under the
// rules of `year`; nullopt when the rules' dates are not dates.
std::optional<int> BiasAt(std::int64_t utc_seconds, int year, const ZoneRules& rules) {
  if (rules.to_daylight.month == 0) return rules.bias;
  const std::optional<std::int64_t> to_standard = ChangeIn(year, rules.to_standard);
  const std::optional<std::int64_t> to_daylight = ChangeIn(year, rules.to_daylight);
  if (!to_standard || !to_daylight) return std::nullopt;
  // Each change is read on the clock that runs before it.
  const std::int64_t daylight_clock = utc_seconds - (rules.bias + rules.daylight_bias) * 60LL;
  const std::int64_t standard_clock = utc_seconds - (rules.bias + rules.standard_bias) * 60LL;
  const bool before_standard = daylight_clock < *to_standard;
  const bool after_daylight = standard_clock >= *to_daylight;
  // Northern zones keep daylight time between the two changes of a year;
  // southern ones across the new year.
  const bool daylight = rules.to_daylight.month < rules.to_standard.month
                            ? before_standard && after_daylight
                            : before_standard || after_daylight;
  return rules.bias + (daylight ? rules.daylight_bias : rules.standard_bias);
}

LocalTime Broken(std::int64_t seconds) {
  const UtcTime t = UtcTimeFromUnixSeconds(seconds);
  return {t.year, t.month, t.day, t.hour, t.minute};
}

// The year that rules the moment: that of the zone's standard time there.
std::optional<LocalTime> InYearOf(std::int64_t utc_seconds, int year, const ZoneRulesOfYear& zone) {
  const std::optional<ZoneRules> rules = zone(year);
  if (!rules) return std::nullopt;
  const std::optional<int> bias = BiasAt(utc_seconds, year, *rules);
  if (!bias) return std::nullopt;
  return Broken(utc_seconds - *bias * 60LL);
}

}  // namespace

LocalTime LocalTimeInZone(std::int64_t utc_seconds, const ZoneRulesOfYear& zone) {
  const LocalTime utc = Broken(utc_seconds);
  if (utc_seconds < kWindowsEpoch) return utc;
  std::optional<LocalTime> local = InYearOf(utc_seconds, utc.year, zone);
  if (local && local->year != utc.year) local = InYearOf(utc_seconds, local->year, zone);
  return local.value_or(utc);
}

}  // namespace orvane
