// Vhost lines and positional lines with their whole times: where the address and the time stand,
// and how a vhost line is told from a positional one.
#include "logformat/positional_readers.h"

namespace crawlmeter {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isHostCharacter(char c) {
  return isLetter(c) || isDigit(c) || c == '.' || c == '-' || c == '_';
}

// name:port, or [ipv6]:port: a name holds no ':', so no IPv6 address is one.
bool isHostAndPort(std::string_view token) {
  const std::size_t colon = token.rfind(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == token.size()) return false;
  for (const char c : token.substr(colon + 1)) {
    if (!isDigit(c)) return false;
  }
  std::string_view host = token.substr(0, colon);
  if (host.front() == '[' && host.back() == ']' && host.size() > 2) {
    for (const char c : host.substr(1, host.size() - 2)) {
      if (!isHex(c) && c != ':' && c != '.') return false;
    }
    return true;
  }
  for (const char c : host) {
    if (!isHostCharacter(c)) return false;
  }
  return true;
}

// "[dd/Mon/yyyy:" at the start of text.
bool startsWithCommonDate(std::string_view text) {
  constexpr std::string_view kShape = "[dd/Mmm/dddd:";
  if (text.size() < kShape.size()) return false;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const char want = kShape[i];
    const bool ok = want == 'd'   ? isDigit(text[i])
                    : want == 'M' ? text[i] >= 'A' && text[i] <= 'Z'
                    : want == 'm' ? text[i] >= 'a' && text[i] <= 'z'
                                  : text[i] == want;
    if (!ok) return false;
  }
  return true;
}

// The common-log time whose '[' is at text[open]: up to its ']'.
std::optional<CivilTime> bracketedTime(std::string_view text, std::size_t open) {
  const std::size_t close = text.find(']', open);
  if (open == std::string_view::npos || close == std::string_view::npos) return std::nullopt;
  return parseCommonLogTime(text.substr(open + 1, close - open - 1));
}

}  // namespace

bool looksLikeVhostLine(std::string_view line) {
  const std::size_t first = line.find(' ');
  if (first == std::string_view::npos || !isHostAndPort(line.substr(0, first))) return false;
  const std::size_t second = line.find(' ', first + 1);
  if (second == std::string_view::npos || second == first + 1) return false;
  if (line.substr(first + 1, second - first - 1).find('[') != std::string_view::npos) return false;
  const std::size_t open = line.find('[', second);
  return open != std::string_view::npos && startsWithCommonDate(line.substr(open));
}

LineKind VhostReader::read(std::string_view line, RecordFields& fields) {
  fields.clear();
  const std::size_t first = line.find(' ');
  const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
  if (second == std::string_view::npos) return LineKind::kNotUnderstood;
  const auto time = bracketedTime(line, line.find('[', second));
  if (!time) return LineKind::kNotUnderstood;
  fields.address.assign(line.substr(first + 1, second - first - 1));
  fields.time = *time;
  fields.others.assign(line.substr(second));
  fields.others += '\t';
  fields.shape = OthersShape::kPositionalRest;
  return LineKind::kRecord;
}

LineKind PositionalTimeReader::read(std::string_view line, RecordFields& fields) {
  fields.clear();
  constexpr std::size_t kDate = 11;  // "17/Mar/2026" before the hour's ':'
  constexpr std::size_t kClock = 9;  // ":08:01:15"
  constexpr std::size_t kZone = 6;   // " +0000"
  const std::size_t space = line.find(' ');
  const std::size_t colon = space == std::string_view::npos ? space : line.find(':', space + 1);
  if (colon == std::string_view::npos || colon < space + 1 + kDate) return LineKind::kNotUnderstood;
  std::string_view text = line.substr(colon - kDate, kDate + kClock + kZone);
  const bool zoned = text.size() == kDate + kClock + kZone && text[kDate + kClock] == ' ' &&
                     (text[kDate + kClock + 1] == '+' || text[kDate + kClock + 1] == '-');
  if (!zoned) text = text.substr(0, kDate + kClock);
  const auto time = parseCommonLogTime(text);
  if (!time) return LineKind::kNotUnderstood;
  fields.address.assign(line.substr(0, space));
  fields.time = *time;
  fields.others.assign(line.substr(space));
  fields.others += '\t';
  fields.shape = OthersShape::kPositionalRest;
  return LineKind::kRecord;
}

}  // namespace crawlmeter
