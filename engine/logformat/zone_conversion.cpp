// TimeZone::convert (files/time_zone.h): a zone's offsets come from the system seam, the civil
// times it converts are this folder's, so the conversion is defined here, above both.
#include "files/time_zone.h"
#include "logformat/civil_time.h"

namespace crawlmeter {

CivilTime TimeZone::convert(const CivilTime& time) {
  if (!time.utcOffsetMinutes) return time;
  const std::int64_t instant = unixSecondsOf(time);
  const int offset = offsetMinutesAt(instant);
  // Most logs are written in the zone they are counted in: nothing to move.
  if (offset == *time.utcOffsetMinutes) return time;
  return civilTimeOf(instant, offset);
}

}  // namespace crawlmeter
