// Times as log formats write them: a date and an hour, minute and second, and the offset from UTC
// the time was written in when the format carries or implies one. Parsers for the shapes servers
// write, and the date label a file gets from its first record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace crawlmeter {

struct CivilTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  // Minutes east of UTC, when the time carries a zone ("+0800", "Z") or its format implies one
  // (W3C logs and times since the epoch are UTC). Without it the time stays as written.
  std::optional<int> utcOffsetMinutes;

  bool operator==(const CivilTime&) const = default;
};

// "17/Mar/2026:08:01:15 +0000", the common log format's time (without its brackets); the zone is
// optional.
std::optional<CivilTime> parseCommonLogTime(std::string_view text);

// RFC 3339 and the ISO 8601 shapes servers write: "2026-03-17T08:01:15Z",
// "2026-03-17T08:01:15.123456789+08:00", "2026-03-17 08:01:15" (no zone), "...+0800".
std::optional<CivilTime> parseIsoTime(std::string_view text);

// A W3C extended log's date and time fields ("2026-03-17", "08:01:15" or "08:01:15.123"): UTC.
std::optional<CivilTime> parseW3cTime(std::string_view date, std::string_view time);

// A time since the epoch as a decimal number ("1710662475", "1710662475.123"): seconds, or
// milliseconds, microseconds or nanoseconds when it has 13, 16 or 19 integer digits. UTC.
std::optional<CivilTime> parseEpochTime(std::string_view text);

// Any of the text shapes above, told apart by their look: what a JSON value or a user's own
// format may hold.
std::optional<CivilTime> parseAnyTime(std::string_view text);

// The civil time of a second since the epoch, offsetMinutes east of UTC.
CivilTime civilTimeOf(std::int64_t unixSeconds, int offsetMinutes);

// Seconds since the epoch of a time that carries its offset (a time without one is taken as UTC).
std::int64_t unixSecondsOf(const CivilTime& time);

// The date as the common log format writes it: "17/Mar/2026".
std::string dateLabelOf(const CivilTime& time);

}  // namespace crawlmeter
