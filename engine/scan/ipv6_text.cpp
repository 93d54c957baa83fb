// A text is canonical when its groups are in lower case without leading zeros and its "::" stands
// for the first longest run of two or more zero groups, with no zero group beside it: checked in
// one pass, so that writing the address back is never needed to tell.
#include "scan/ipv6_text.h"

#include <array>
#include <cstring>

namespace crawlmeter {
namespace {

// Each byte's value as a lower-case hex digit, or kNotDigit: one load where comparisons would
// branch the wrong way on every other digit of a random address.
constexpr std::uint8_t kNotDigit = 0xFF;
constexpr std::array<std::uint8_t, 256> kDigitValues = [] {
  std::array<std::uint8_t, 256> values{};
  values.fill(kNotDigit);
  for (int c = '0'; c <= '9'; ++c)
    values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c)
    values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
  return values;
}();

unsigned digitValue(char c) { return kDigitValues[static_cast<unsigned char>(c)]; }

// The longest run of two or more zero groups, the first of equals: [*start, *start + *length).
void longestZeroRun(const Ipv6Bytes& bytes, int* start, int* length) {
  *start = -1;
  *length = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && bytes[2 * j] == 0 && bytes[2 * j + 1] == 0) ++j;
    if (j - i > *length) *start = i, *length = j - i;
    i = j > i ? j : i + 1;
  }
}

// The groups of a text of lower-case hex digits and colons, read in one pass: each of one to four
// digits with no leading zero, at most one "::" (at gapAt groups in), and at most eight groups.
struct Groups {
  std::uint16_t values[8] = {};
  int count = 0;
  int gapAt = -1;
};

bool readGroups(std::string_view text, Groups* groups) {
  std::size_t at = 0;
  if (text[0] == ':') {
    if (text[1] != ':') return false;
    groups->gapAt = 0;
    at = 2;
  }
  while (at < text.size()) {
    if (groups->count == 8) return false;
    const std::size_t start = at;
    unsigned value = 0;
    for (unsigned digit; at < text.size() && (digit = digitValue(text[at])) != kNotDigit; ++at) {
      value = value << 4 | digit;
    }
    const std::size_t digits = at - start;
    if (digits == 0 || digits > 4 || (digits > 1 && text[start] == '0')) return false;
    groups->values[groups->count++] = static_cast<std::uint16_t>(value);
    if (at == text.size()) break;
    if (text[at] != ':' || ++at == text.size()) return false;
    if (text[at] == ':') {
      if (groups->gapAt >= 0) return false;
      groups->gapAt = groups->count;
      ++at;
    }
  }
  return true;
}

// Whether "::" stands where the canonical text has it: for the first longest run of two or more
// zero groups, and for no zero group beside it; with no "::", there are eight groups and no two
// zeros in a row.
bool gapIsCanonical(const Groups& groups) {
  const int gapLength = groups.gapAt < 0 ? 1 : 8 - groups.count;
  if (groups.gapAt < 0 ? groups.count != 8 : gapLength < 2) return false;
  int run = 0;
  for (int i = 0; i < groups.count; ++i) {
    if (i == groups.gapAt && run > 0) return false;  // a zero just before "::"
    run = groups.values[i] == 0 ? run + 1 : 0;
    if (run == 0) continue;
    if (groups.gapAt >= 0 && i == groups.gapAt) return false;  // a zero just after "::"
    const bool beforeGap = groups.gapAt < 0 || i < groups.gapAt;
    if (beforeGap ? run >= gapLength + (groups.gapAt < 0) : run > gapLength) return false;
  }
  return !(groups.gapAt == groups.count && run > 0);
}

}  // namespace

std::size_t writeIpv6(const Ipv6Bytes& bytes, char* out) {
  static constexpr char kHex[] = "0123456789abcdef";
  int zeroStart = 0, zeroLength = 0;
  longestZeroRun(bytes, &zeroStart, &zeroLength);
  std::size_t n = 0;
  for (int i = 0; i < 8; ++i) {
    if (i == zeroStart) {
      out[n++] = ':';
      out[n++] = ':';
      i += zeroLength - 1;
      continue;
    }
    if (n > 0 && out[n - 1] != ':') out[n++] = ':';
    const unsigned group = static_cast<unsigned>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    for (int shift = 12; shift >= 0; shift -= 4) {
      if (shift == 0 || group >> shift != 0) out[n++] = kHex[(group >> shift) & 0xF];
    }
  }
  return n;
}

bool readCanonicalIpv6(std::string_view text, Ipv6Bytes* bytes) {
  Groups groups;
  if (text.size() < 2 || text.size() > kLongestIpv6Text || !readGroups(text, &groups) ||
      !gapIsCanonical(groups)) {
    return false;
  }
  const int shift = groups.gapAt < 0 ? 0 : 8 - groups.count;
  *bytes = {};
  for (int i = 0; i < groups.count; ++i) {
    const int slot = (groups.gapAt >= 0 && i >= groups.gapAt) ? i + shift : i;
    (*bytes)[2 * slot] = static_cast<std::uint8_t>(groups.values[i] >> 8);
    (*bytes)[2 * slot + 1] = static_cast<std::uint8_t>(groups.values[i]);
  }
  return true;
}

}  // namespace crawlmeter
