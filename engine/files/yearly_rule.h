// Zones given as a rule for each year, as Windows gives its zones: a standard offset and, in
// years with daylight saving, the days its start and end fall on. This turns such rules into
// intervals of one offset; it is plain arithmetic, so that every system's tests check it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "files/time_zone.h"

namespace crawlmeter {

// The day and time of day of a change, in the local time in effect before it: the week-th
// weekday (1..4, or 5 for the last) of month, or a fixed day of the month when day is not 0.
struct ChangeDay {
  int month = 1;    // 1..12
  int week = 1;     // 1..5, 5 = the last
  int weekday = 0;  // 0 = Sunday
  int day = 0;      // 1..31 for a fixed day instead
  int secondOfDay = 0;
};

struct DaylightRule {
  int offsetMinutes = 0;  // east of UTC while daylight saving is in effect
  ChangeDay starts;
  ChangeDay ends;
};

struct YearlyRule {
  int standardOffsetMinutes = 0;  // east of UTC
  std::optional<DaylightRule> daylight;
};

// The interval of one offset around unixSeconds, from the rules of its year and the years beside
// it (ruleOf(year) for each); it reaches no further than those three years.
ZoneInterval intervalOfYearlyRules(std::int64_t unixSeconds,
                                   const std::function<YearlyRule(int year)>& ruleOf);

}  // namespace crawlmeter
