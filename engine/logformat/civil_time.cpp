// The time shapes servers write, read without the C library's locale- and zone-dependent calls,
// and the conversion between civil times and seconds since the epoch.
#include "logformat/civil_time.h"

#include <array>
#include <cstdio>

namespace crawlmeter {
namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly count digits at text[at], moving at past them.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!isDigit(text[at + i])) return std::nullopt;
    value = value * 10 + (text[at + i] - '0');
  }
  at += count;
  return value;
}

bool expect(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

int daysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool valid(const CivilTime& t) {
  return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= daysInMonth(t.year, t.month) &&
         t.hour <= 23 && t.minute <= 59 && t.second <= 60;
}

// "HH:MM:SS" then an optional fraction.
bool readClock(std::string_view text, std::size_t& at, CivilTime& time) {
  const auto hour = digits(text, at, 2);
  if (!hour || !expect(text, at, ':')) return false;
  const auto minute = digits(text, at, 2);
  if (!minute || !expect(text, at, ':')) return false;
  const auto second = digits(text, at, 2);
  if (!second) return false;
  time.hour = *hour;
  time.minute = *minute;
  time.second = *second;
  if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
    ++at;
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at])) ++at;
    if (at == start) return false;
  }
  return true;
}

// "Z", "+0800", "+08:00", "+08", "-0530": the whole rest of text; nullopt when it is none.
std::optional<int> readOffset(std::string_view rest) {
  if (rest == "Z" || rest == "z") return 0;
  if (rest.size() < 3 || (rest[0] != '+' && rest[0] != '-')) return std::nullopt;
  std::size_t at = 1;
  const auto hours = digits(rest, at, 2);
  if (!hours) return std::nullopt;
  int minutes = 0;
  if (at < rest.size()) {
    expect(rest, at, ':');
    const auto m = digits(rest, at, 2);
    if (!m || at != rest.size() || *m > 59) return std::nullopt;
    minutes = *m;
  }
  if (*hours > 23) return std::nullopt;
  const int offset = *hours * 60 + minutes;
  return rest[0] == '-' ? -offset : offset;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

}  // namespace

std::optional<CivilTime> parseCommonLogTime(std::string_view text) {
  CivilTime time;
  std::size_t at = 0;
  const auto day = digits(text, at, 2);
  if (!day || !expect(text, at, '/') || at + 4 > text.size()) return std::nullopt;
  const std::string_view month = text.substr(at, 3);
  time.month = 0;
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (kMonthNames[i] == month) time.month = static_cast<int>(i) + 1;
  }
  at += 3;
  if (time.month == 0 || !expect(text, at, '/')) return std::nullopt;
  const auto year = digits(text, at, 4);
  if (!year || !expect(text, at, ':') || !readClock(text, at, time)) return std::nullopt;
  time.year = *year;
  time.day = *day;
  if (at < text.size()) {
    if (!expect(text, at, ' ')) return std::nullopt;
    time.utcOffsetMinutes = readOffset(text.substr(at));
    if (!time.utcOffsetMinutes) return std::nullopt;
  }
  return valid(time) ? std::optional(time) : std::nullopt;
}

std::optional<CivilTime> parseIsoTime(std::string_view text) {
  CivilTime time;
  std::size_t at = 0;
  const auto year = digits(text, at, 4);
  if (!year || !expect(text, at, '-')) return std::nullopt;
  const auto month = digits(text, at, 2);
  if (!month || !expect(text, at, '-')) return std::nullopt;
  const auto day = digits(text, at, 2);
  if (!day || at >= text.size() || (text[at] != 'T' && text[at] != 't' && text[at] != ' '))
    return std::nullopt;
  ++at;
  if (!readClock(text, at, time)) return std::nullopt;
  time.year = *year;
  time.month = *month;
  time.day = *day;
  if (at < text.size()) {
    std::string_view rest = text.substr(at);
    if (rest.front() == ' ') rest.remove_prefix(1);
    time.utcOffsetMinutes = readOffset(rest);
    if (!time.utcOffsetMinutes) return std::nullopt;
  }
  return valid(time) ? std::optional(time) : std::nullopt;
}

std::optional<CivilTime> parseW3cTime(std::string_view date, std::string_view time) {
  std::string joined;
  joined.reserve(date.size() + time.size() + 1);
  joined.append(date).append(1, ' ').append(time);
  std::optional<CivilTime> parsed = parseIsoTime(joined);
  if (!parsed || parsed->utcOffsetMinutes) return std::nullopt;
  parsed->utcOffsetMinutes = 0;
  return parsed;
}

std::optional<CivilTime> parseEpochTime(std::string_view text) {
  std::size_t integerDigits = 0;
  std::uint64_t value = 0;  // nineteen digits overflow a signed 64-bit number
  while (integerDigits < text.size() && isDigit(text[integerDigits])) {
    if (integerDigits == 19) return std::nullopt;
    value = value * 10 + (text[integerDigits] - '0');
    ++integerDigits;
  }
  if (integerDigits == 0) return std::nullopt;
  std::size_t at = integerDigits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && isDigit(text[at])) ++at;
  }
  if (at != text.size()) return std::nullopt;
  // Seconds have ten digits from 2001 to 2286; milliseconds 13, microseconds 16, nanoseconds 19.
  static constexpr std::array<std::pair<std::size_t, std::uint64_t>, 3> kUnits = {
      {{19, 1'000'000'000}, {16, 1'000'000}, {13, 1'000}}};
  for (const auto& [size, perSecond] : kUnits) {
    if (integerDigits >= size) {
      value /= perSecond;
      break;
    }
  }
  return civilTimeOf(static_cast<std::int64_t>(value), 0);
}

std::optional<CivilTime> parseAnyTime(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (text.size() > 4 && text[4] == '-') return parseIsoTime(text);
  if (text.size() > 2 && text[2] == '/') return parseCommonLogTime(text);
  return parseEpochTime(text);
}

CivilTime civilTimeOf(std::int64_t unixSeconds, int offsetMinutes) {
  const std::int64_t local = unixSeconds + std::int64_t{offsetMinutes} * 60;
  const std::int64_t days = floorDiv(local, 86400);
  const std::int64_t secondOfDay = local - days * 86400;
  // Civil date from days since the epoch (the inverse of daysFromCivil).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilTime time;
  time.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  time.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  time.year = static_cast<int>(yoe + era * 400 + (time.month <= 2));
  time.hour = static_cast<int>(secondOfDay / 3600);
  time.minute = static_cast<int>(secondOfDay / 60 % 60);
  time.second = static_cast<int>(secondOfDay % 60);
  time.utcOffsetMinutes = offsetMinutes;
  return time;
}

std::int64_t unixSecondsOf(const CivilTime& time) {
  const std::int64_t local = daysFromCivil(time.year, time.month, time.day) * 86400 +
                             time.hour * 3600 + time.minute * 60 + time.second;
  return local - std::int64_t{time.utcOffsetMinutes.value_or(0)} * 60;
}

std::string dateLabelOf(const CivilTime& time) {
  char label[32];
  std::snprintf(label, sizeof label, "%02d/%s/%04d", time.day,
                kMonthNames[static_cast<std::size_t>(time.month - 1)].data(), time.year);
  return label;
}

}  // namespace crawlmeter
