// The shape a user's own log format writes a time in (a strftime format, or a count since the
// epoch), matched against a line: it tells where the time ends and what time it says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/civil_time.h"

namespace crawlmeter {

class TimePattern {
 public:
  // A strftime format as servers use it ("%d/%b/%Y:%H:%M:%S %z", "%FT%T%z"). Nothing, with the
  // offending conversion ("%Q") in *unknown, when it uses a conversion this program does not read.
  static std::optional<TimePattern> strftime(std::string_view format, std::string* unknown);
  // A count since the epoch in 1/perSecond seconds ("1710662475", "1710662475123"), followed by
  // '.' and fractionDigits digits when fractionDigits > 0 ("1710662475.123").
  static TimePattern sinceEpoch(std::int64_t perSecond, int fractionDigits);
  // Exactly `count` digits, as a fraction of a second that was written on its own.
  static TimePattern digits(int count);

  // Whether a match says a whole time: a date and an hour, or a count since the epoch. A pattern
  // that is not complete still bounds its field.
  bool complete() const;

  // Matches at the start of text: the length of the time, or npos when text does not start with
  // one (or the date or hour it says does not exist); *time is set from a complete pattern.
  std::size_t match(std::string_view text, CivilTime* time) const;

 private:
  // One conversion ('Y', 'm', 'b', 'z', 's' for an epoch count, 'f' for digits of a fraction...)
  // or, with code 0, one literal byte.
  struct Item {
    char code = 0;
    char literal = 0;
    int width = 0;  // the digits of an 'f'
  };
  std::vector<Item> items_;
  std::int64_t perSecond_ = 0;  // for an 's'
};

}  // namespace crawlmeter
