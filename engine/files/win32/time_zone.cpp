// The system's zones on Windows: only its own, with the daylight saving rules it keeps for each
// year (GetTimeZoneInformationForYear). Windows names its zones in words of its own and has no
// database by the names logs and users write, so a name is refused with the ways that work.
#include <windows.h>

#include <string>

#include "base/error.h"
#include "files/system_zone.h"
#include "files/yearly_rule.h"

namespace crawlmeter {

struct SystemZone {
  DYNAMIC_TIME_ZONE_INFORMATION information;
};

namespace {

// The years a SYSTEMTIME holds.
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

// A SYSTEMTIME of a change: a fixed date when its year is set, else the wDay-th (5: the last)
// wDayOfWeek of its month.
ChangeDay changeDayOf(const SYSTEMTIME& time) {
  ChangeDay change;
  change.month = time.wMonth;
  if (time.wYear != 0) {
    change.day = time.wDay;
  } else {
    change.week = time.wDay;
    change.weekday = time.wDayOfWeek;
  }
  // 23:59:59.999 is how Windows writes a change at midnight.
  change.secondOfDay =
      time.wHour * 3600 + time.wMinute * 60 + time.wSecond + (time.wMilliseconds >= 500 ? 1 : 0);
  return change;
}

// Biases are minutes west of UTC; a month of 0 means no daylight saving.
YearlyRule ruleOf(const TIME_ZONE_INFORMATION& info, bool daylightSaving) {
  YearlyRule rule;
  rule.standardOffsetMinutes = -static_cast<int>(info.Bias + info.StandardBias);
  if (daylightSaving && info.StandardDate.wMonth != 0 && info.DaylightDate.wMonth != 0) {
    rule.daylight = DaylightRule{-static_cast<int>(info.Bias + info.DaylightBias),
                                 changeDayOf(info.DaylightDate), changeDayOf(info.StandardDate)};
  }
  return rule;
}

YearlyRule ruleOfYear(const SystemZone& zone, int year) {
  DYNAMIC_TIME_ZONE_INFORMATION dynamic = zone.information;
  TIME_ZONE_INFORMATION info{};
  const bool known = year >= kFirstYear && year <= kLastYear &&
                     GetTimeZoneInformationForYear(static_cast<USHORT>(year), &dynamic, &info);
  if (!known) {
    // The zone's rule as it is now.
    info.Bias = dynamic.Bias;
    info.StandardDate = dynamic.StandardDate;
    info.StandardBias = dynamic.StandardBias;
    info.DaylightDate = dynamic.DaylightDate;
    info.DaylightBias = dynamic.DaylightBias;
  }
  // A user may turn the clock's changes off: it then keeps standard time all year.
  return ruleOf(info, !zone.information.DynamicDaylightTimeDisabled);
}

}  // namespace

std::shared_ptr<const SystemZone> localSystemZone(Message* problem) {
  SystemZone zone{};
  if (GetDynamicTimeZoneInformation(&zone.information) == TIME_ZONE_ID_INVALID) {
    *problem = Message(translatable("the system's own time zone cannot be told (%s): give an "
                                    "offset such as +08:00 or UTC instead"),
                       systemErrorText(static_cast<int>(GetLastError())));
    return nullptr;
  }
  return std::make_shared<const SystemZone>(zone);
}

std::shared_ptr<const SystemZone> namedSystemZone(std::string_view name, Message* problem) {
  *problem = Message(translatable("unknown time zone '%s': this system has no time-zone database "
                                  "by name; give an offset such as +08:00, UTC or local"),
                     std::string(name));
  return nullptr;
}

ZoneInterval intervalOf(const SystemZone& zone, std::int64_t unixSeconds) {
  return intervalOfYearlyRules(unixSeconds, [&zone](int year) { return ruleOfYear(zone, year); });
}

}  // namespace crawlmeter
