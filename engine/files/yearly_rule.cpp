// Intervals of one offset from yearly rules: the changes of three years in order, and the one
// that holds the instant.
#include "files/yearly_rule.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>

namespace crawlmeter {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Beyond years 1 and 9999 (no log's times are) the calendar's arithmetic is not asked.
constexpr std::int64_t kFirstSecond = -62135596800;  // 0001-01-01T00:00:00Z
constexpr std::int64_t kLastSecond = 253402300799;   // 9999-12-31T23:59:59Z

struct Change {
  std::int64_t at;    // seconds since the epoch
  int offsetMinutes;  // from then on
};

std::int64_t daysOf(std::chrono::year_month_day date) {
  return std::chrono::sys_days{date}.time_since_epoch().count();
}

// Seconds since the epoch of change's day and time in year, were the local time UTC.
std::int64_t localSeconds(int year, const ChangeDay& change) {
  using namespace std::chrono;
  const auto yearMonth = std::chrono::year{year} / month{static_cast<unsigned>(change.month)};
  const weekday weekDay{static_cast<unsigned>(change.weekday)};
  std::int64_t days = 0;
  if (change.day != 0) {
    days = daysOf(yearMonth / day{static_cast<unsigned>(change.day)});
  } else if (change.week >= 5) {
    days = daysOf(year_month_day{sys_days{yearMonth / weekDay[last]}});
  } else {
    days =
        daysOf(year_month_day{sys_days{yearMonth / weekDay[static_cast<unsigned>(change.week)]}});
  }
  return days * kSecondsPerDay + change.secondOfDay;
}

std::int64_t yearStart(int year) {
  return daysOf(std::chrono::year{year} / 1 / 1) * kSecondsPerDay;
}

// The year's changes: the offset it begins with (daylight saving's where it ends before it starts,
// south of the equator), then the start and end of daylight saving.
void addChanges(int year, const YearlyRule& rule, std::vector<Change>& changes) {
  const int standard = rule.standardOffsetMinutes;
  if (!rule.daylight) {
    changes.push_back({yearStart(year) - standard * 60, standard});
    return;
  }
  const DaylightRule& daylight = *rule.daylight;
  const std::int64_t starts = localSeconds(year, daylight.starts);
  const std::int64_t ends = localSeconds(year, daylight.ends);
  const int first = ends < starts ? daylight.offsetMinutes : standard;
  changes.push_back({yearStart(year) - first * 60, first});
  changes.push_back({starts - standard * 60, daylight.offsetMinutes});
  changes.push_back({ends - daylight.offsetMinutes * 60, standard});
}

}  // namespace

ZoneInterval intervalOfYearlyRules(std::int64_t unixSeconds,
                                   const std::function<YearlyRule(int year)>& ruleOf) {
  // Past the calendar's edges, the edge year's standard offset for all time.
  constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
  if (unixSeconds < kFirstSecond) {
    return ZoneInterval{-kNever - 1, kFirstSecond, ruleOf(1).standardOffsetMinutes};
  }
  if (unixSeconds > kLastSecond) {
    return ZoneInterval{kLastSecond + 1, kNever, ruleOf(9999).standardOffsetMinutes};
  }
  using namespace std::chrono;
  const int year =
      static_cast<int>(year_month_day{floor<days>(sys_seconds{seconds{unixSeconds}})}.year());
  std::vector<Change> changes;
  for (int each = year - 1; each <= year + 1; ++each) addChanges(each, ruleOf(each), changes);
  std::stable_sort(changes.begin(), changes.end(),
                   [](const Change& a, const Change& b) { return a.at < b.at; });
  // The rules say nothing past the third year: its end, at the earliest any zone reaches it.
  const std::int64_t known = yearStart(year + 2) - 14 * 3600;
  ZoneInterval interval{changes.front().at, known, changes.front().offsetMinutes};
  for (const Change& change : changes) {
    if (change.offsetMinutes == interval.offsetMinutes) continue;
    if (change.at > unixSeconds) {
      interval.end = change.at;
      break;
    }
    interval = ZoneInterval{change.at, known, change.offsetMinutes};
  }
  return interval;
}

}  // namespace crawlmeter
