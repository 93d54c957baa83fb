// The zones every system has (UTC and fixed offsets), the words a user names zones with, and the
// cached offset lookup; the system's own zones come from files/linux or files/win32.
#include "files/time_zone.h"

#include <array>
#include <cctype>
#include <string>
#include <utility>

#include "files/system_zone.h"

namespace crawlmeter {
namespace {

bool equalIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
  }
  return true;
}

// The number of two digits at text's start; nullopt when they are not both digits.
std::optional<int> twoDigits(std::string_view text) {
  if (text.size() < 2 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
      !std::isdigit(static_cast<unsigned char>(text[1]))) {
    return std::nullopt;
  }
  return (text[0] - '0') * 10 + (text[1] - '0');
}

// "+hh", "+hhmm" or "+hh:mm" (or with '-') in minutes east of UTC.
std::optional<int> parseOffset(std::string_view text) {
  const int sign = text.front() == '-' ? -1 : 1;
  std::string_view rest = text.substr(1);
  const std::optional<int> hours = twoDigits(rest);
  if (!hours || *hours > 23) return std::nullopt;
  rest.remove_prefix(2);
  if (rest.size() == 3 && rest.front() == ':') rest.remove_prefix(1);
  int minutes = 0;
  if (!rest.empty()) {
    const std::optional<int> written = twoDigits(rest);
    if (rest.size() != 2 || !written || *written > 59) return std::nullopt;
    minutes = *written;
  }
  return sign * (*hours * 60 + minutes);
}

}  // namespace

TimeZone TimeZone::fixed(int offsetMinutes) {
  TimeZone zone;
  zone.cached_.offsetMinutes = offsetMinutes;  // over all time
  return zone;
}

TimeZone TimeZone::ofSystem(std::shared_ptr<const SystemZone> system) {
  TimeZone zone;
  zone.system_ = std::move(system);
  zone.cached_ = ZoneInterval{0, 0, 0};  // empty: the first instant looks up
  return zone;
}

int TimeZone::lookUp(std::int64_t unixSeconds) {
  // Only a system zone's interval ends; a fixed offset's holds every instant.
  cached_ = intervalOf(*system_, unixSeconds);
  return cached_.offsetMinutes;
}

std::optional<TimeZone> parseTimeZone(std::string_view text, Message* problem) {
  if (text.empty()) {
    *problem = Message(translatable(
        "no time zone given: write local, UTC, an offset such as +08:00 or a name such as "
        "Asia/Shanghai"));
    return std::nullopt;
  }
  for (std::string_view utc : std::array<std::string_view, 3>{"utc", "gmt", "z"}) {
    if (equalIgnoringCase(text, utc)) return TimeZone::fixed(0);
  }
  if (text.front() == '+' || text.front() == '-') {
    if (std::optional<int> offset = parseOffset(text)) return TimeZone::fixed(*offset);
    *problem = Message(translatable("malformed time zone offset '%s': write it as +hh, +hhmm or "
                                    "+hh:mm (or with -), such as +08:00 or -0530"),
                       std::string(text));
    return std::nullopt;
  }
  std::shared_ptr<const SystemZone> system =
      equalIgnoringCase(text, "local") ? localSystemZone(problem) : namedSystemZone(text, problem);
  if (!system) return std::nullopt;
  return TimeZone::ofSystem(std::move(system));
}

}  // namespace crawlmeter
