// Matching the strftime conversions servers write times with, in the C locale's English names,
// and counts since the epoch.
#include "logformat/time_pattern.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace crawlmeter {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};

// Conversions that stand for a longer format.
struct Expansion {
  char code;
  std::string_view format;
};
constexpr std::array<std::string_view, 2> kMeridians = {"AM", "PM"};

constexpr std::array<Expansion, 9> kExpansions = {{{'T', "%H:%M:%S"},
                                                   {'X', "%H:%M:%S"},
                                                   {'F', "%Y-%m-%d"},
                                                   {'D', "%m/%d/%y"},
                                                   {'x', "%m/%d/%y"},
                                                   {'R', "%H:%M"},
                                                   {'r', "%I:%M:%S %p"},
                                                   {'c', "%a %b %e %H:%M:%S %Y"},
                                                   {'h', "%b"}}};
constexpr std::string_view kConversions = "YymdejHIMSpbBaAzZs";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool sameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Exactly width digits at *at; a leading space stands for a zero when spaceFirst (%e).
bool readNumber(std::string_view text, std::size_t* at, int width, bool spaceFirst, int* value) {
  if (text.size() - *at < static_cast<std::size_t>(width)) return false;
  *value = 0;
  for (int i = 0; i < width; ++i) {
    const char c = text[*at + i];
    if (i == 0 && spaceFirst && c == ' ') continue;
    if (!isDigit(c)) return false;
    *value = *value * 10 + (c - '0');
  }
  *at += width;
  return true;
}

// The index of the name at *at: abbreviated (three letters) or whole, in any case.
template <std::size_t N>
bool readName(std::string_view text, std::size_t* at, const std::array<std::string_view, N>& names,
              bool whole, int* index) {
  for (std::size_t i = 0; i < N; ++i) {
    const std::string_view name = whole ? names[i] : names[i].substr(0, 3);
    if (sameLetters(text.substr(*at, name.size()), name)) {
      *index = static_cast<int>(i);
      *at += name.size();
      return true;
    }
  }
  return false;
}

// "Z", "+0800" or "+08:00".
bool readOffset(std::string_view text, std::size_t* at, int* minutes) {
  if (*at < text.size() && text[*at] == 'Z') {
    *minutes = 0;
    ++*at;
    return true;
  }
  if (*at >= text.size() || (text[*at] != '+' && text[*at] != '-')) return false;
  const int sign = text[*at] == '-' ? -1 : 1;
  std::size_t next = *at + 1;
  int hours = 0, mins = 0;
  if (!readNumber(text, &next, 2, false, &hours)) return false;
  if (next < text.size() && text[next] == ':') ++next;
  if (!readNumber(text, &next, 2, false, &mins) || mins > 59) return false;
  *minutes = sign * (hours * 60 + mins);
  *at = next;
  return true;
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysIn(int month, int year) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// 9999-12-31 23:59:59 UTC: later counts are not times a server wrote.
constexpr std::int64_t kLastSecond = 253402300799;

// The values a match has read so far.
struct Parts {
  int year = -1, shortYear = -1, month = 0, day = 0, yearDay = 0;
  int hour = -1, hour12 = -1, pm = -1, minute = 0, second = 0, ignored = 0;
  std::optional<int> offset;
  std::int64_t count = -1;
};

// The conversions that are a fixed number of digits.
struct NumberConversion {
  char code;
  int width;
  bool spaceFirst;
  int Parts::*value;
};
constexpr std::array<NumberConversion, 10> kNumbers = {{{'Y', 4, false, &Parts::year},
                                                        {'y', 2, false, &Parts::shortYear},
                                                        {'m', 2, false, &Parts::month},
                                                        {'d', 2, false, &Parts::day},
                                                        {'e', 2, true, &Parts::day},
                                                        {'j', 3, false, &Parts::yearDay},
                                                        {'H', 2, false, &Parts::hour},
                                                        {'I', 2, false, &Parts::hour12},
                                                        {'M', 2, false, &Parts::minute},
                                                        {'S', 2, false, &Parts::second}}};

// A count since the epoch: up to 18 digits, which no time overflows.
bool readCount(std::string_view text, std::size_t* at, std::int64_t* count) {
  const std::size_t start = *at;
  *count = 0;
  while (*at < text.size() && isDigit(text[*at]) && *at - start < 18) {
    *count = *count * 10 + (text[(*at)++] - '0');
  }
  return *at > start;
}

// Reads one conversion (code) at *at into parts.
bool readConversion(char code, int width, std::string_view text, std::size_t* at, Parts* parts) {
  for (const NumberConversion& number : kNumbers) {
    if (number.code == code) {
      return readNumber(text, at, number.width, number.spaceFirst, &(parts->*number.value));
    }
  }
  int index = 0;
  switch (code) {
    case 'f':
      return readNumber(text, at, width, false, &parts->ignored);
    case 'b':
    case 'B':
      if (!readName(text, at, kMonths, code == 'B', &index)) return false;
      parts->month = index + 1;
      return true;
    case 'a':
    case 'A':
      return readName(text, at, kWeekdays, code == 'A', &index);
    case 'p':
      if (!readName(text, at, kMeridians, true, &parts->pm)) return false;
      return true;
    case 'z':
      parts->offset = 0;
      return readOffset(text, at, &*parts->offset);
    case 'Z': {
      const std::size_t start = *at;
      while (*at < text.size() && std::isalpha(static_cast<unsigned char>(text[*at]))) ++*at;
      return *at > start;
    }
    default:  // 's'
      return readCount(text, at, &parts->count);
  }
}

// The time a complete match says; nothing when that day or hour does not exist.
std::optional<CivilTime> timeOf(Parts parts, std::int64_t perSecond) {
  if (parts.count >= 0) {
    if (parts.count / perSecond > kLastSecond) return std::nullopt;
    CivilTime time = civilTimeOf(parts.count / perSecond, 0);
    time.utcOffsetMinutes = 0;
    return time;
  }
  CivilTime time;
  time.year = parts.year >= 0 ? parts.year : parts.shortYear + (parts.shortYear < 69 ? 2000 : 1900);
  if (parts.yearDay > 0) {
    parts.month = 1;
    parts.day = parts.yearDay;
    while (parts.month < 12 && parts.day > daysIn(parts.month, time.year)) {
      parts.day -= daysIn(parts.month++, time.year);
    }
  }
  if (parts.hour12 >= 0) {
    if (parts.hour12 < 1 || parts.hour12 > 12) return std::nullopt;
    parts.hour = parts.hour12 % 12 + (parts.pm == 1 ? 12 : 0);
  }
  if (parts.month < 1 || parts.month > 12 || parts.day < 1 ||
      parts.day > daysIn(parts.month, time.year) || parts.hour > 23 || parts.minute > 59 ||
      parts.second > 60) {
    return std::nullopt;
  }
  time.month = parts.month;
  time.day = parts.day;
  time.hour = parts.hour;
  time.minute = parts.minute;
  time.second = parts.second;
  time.utcOffsetMinutes = parts.offset;
  return time;
}

}  // namespace

std::optional<TimePattern> TimePattern::strftime(std::string_view format, std::string* unknown) {
  TimePattern pattern;
  for (std::size_t at = 0; at < format.size(); ++at) {
    if (format[at] != '%') {
      pattern.items_.push_back({0, format[at], 0});
      continue;
    }
    const char code = at + 1 < format.size() ? format[++at] : '\0';
    const auto expansion = std::find_if(kExpansions.begin(), kExpansions.end(),
                                        [code](const Expansion& e) { return e.code == code; });
    if (expansion != kExpansions.end()) {
      const auto inner = strftime(expansion->format, unknown);
      pattern.items_.insert(pattern.items_.end(), inner->items_.begin(), inner->items_.end());
    } else if (code == '%' || code == 'n' || code == 't') {
      pattern.items_.push_back({0, code == '%' ? '%' : code == 'n' ? '\n' : '\t', 0});
    } else if (code != '\0' && kConversions.find(code) != std::string_view::npos) {
      pattern.items_.push_back({code, 0, 0});
    } else {
      *unknown = code == '\0' ? "%" : std::string{'%', code};
      return std::nullopt;
    }
  }
  pattern.perSecond_ = 1;
  return pattern;
}

TimePattern TimePattern::sinceEpoch(std::int64_t perSecond, int fractionDigits) {
  TimePattern pattern;
  pattern.perSecond_ = perSecond;
  pattern.items_.push_back({'s', 0, 0});
  if (fractionDigits > 0) {
    pattern.items_.push_back({0, '.', 0});
    pattern.items_.push_back({'f', 0, fractionDigits});
  }
  return pattern;
}

TimePattern TimePattern::digits(int count) {
  TimePattern pattern;
  pattern.items_.push_back({'f', 0, count});
  return pattern;
}

bool TimePattern::complete() const {
  const auto has = [this](std::string_view codes) {
    for (const Item& item : items_) {
      if (item.code != 0 && codes.find(item.code) != std::string_view::npos) return true;
    }
    return false;
  };
  return has("s") || (has("Yy") && has("mbBj") && has("dej") && has("HI"));
}

std::size_t TimePattern::match(std::string_view text, CivilTime* time) const {
  Parts parts;
  std::size_t at = 0;
  for (const Item& item : items_) {
    if (item.code == 0 ? at < text.size() && text[at] == item.literal
                       : readConversion(item.code, item.width, text, &at, &parts)) {
      at += item.code == 0;
    } else {
      return std::string_view::npos;
    }
  }
  if (!complete()) return at;
  const auto said = timeOf(parts, perSecond_);
  if (!said) return std::string_view::npos;
  *time = *said;
  return at;
}

}  // namespace crawlmeter
