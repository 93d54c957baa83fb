// The zone a user counts hours in (`--time-zone`): UTC, a fixed offset, the system's own zone or
// one of the system's time-zone database, and the conversion of log times into it.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "base/wording.h"

namespace crawlmeter {

struct CivilTime;   // logformat/civil_time.h; TimeZone::convert is defined beside it
struct SystemZone;  // a zone of the system's, as files/linux or files/win32 know it

// A stretch of time, [begin, end) in seconds since the epoch, with one offset from UTC.
struct ZoneInterval {
  std::int64_t begin = std::numeric_limits<std::int64_t>::min();
  std::int64_t end = std::numeric_limits<std::int64_t>::max();
  int offsetMinutes = 0;  // east of UTC

  bool contains(std::int64_t unixSeconds) const {
    return unixSeconds >= begin && unixSeconds < end;
  }
};

// A zone with the interval of constant offset it looked up last, so that the records of one log,
// nearly all in the same interval, cost a compare each. Copies are cheap and independent: one per
// thread, since a lookup changes the object.
class TimeZone {
 public:
  // A zone always offsetMinutes east of UTC (0 is UTC).
  static TimeZone fixed(int offsetMinutes);
  // A zone of the system's (files/system_zone.h): its offsets are the system's answers.
  static TimeZone ofSystem(std::shared_ptr<const SystemZone> system);

  // The same instant as this zone's civil time, with the zone's offset at that instant in
  // utcOffsetMinutes. A time without utcOffsetMinutes does not name an instant: it is returned as
  // it is.
  CivilTime convert(const CivilTime& time);

  // The zone's offset, in minutes east of UTC, at unixSeconds.
  int offsetMinutesAt(std::int64_t unixSeconds) {
    if (cached_.contains(unixSeconds)) return cached_.offsetMinutes;
    return lookUp(unixSeconds);
  }

 private:
  TimeZone() = default;
  int lookUp(std::int64_t unixSeconds);

  std::shared_ptr<const SystemZone> system_;  // null for a fixed offset
  ZoneInterval cached_;
};

// A zone as a user writes it: "local" (the system's own zone), "UTC", "GMT" or "Z" (in any case),
// an offset "+08", "+0800", "+08:00" or "-05:30", or a name of the system's time-zone database
// ("Asia/Shanghai"). nullopt, with *problem saying why, when the text is none of these.
std::optional<TimeZone> parseTimeZone(std::string_view text, Message* problem);

}  // namespace crawlmeter
