// A text is canonical when it reads as groups with no leading zero and writes back to itself:
// reading is strict where that is cheap (lower case, no leading zeros) and the write-back settles
// where "::" stands.
#include "scan/ipv6_text.h"

#include <cstring>

namespace crawlmeter {
namespace {

// A lower-case hex digit's value, or -1.
int lowerHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

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

// Reads groups of one to four digits, none with a leading zero, and at most one "::".
bool readGroups(std::string_view text, Ipv6Bytes* bytes) {
  std::uint16_t groups[8] = {};
  int count = 0, gap = -1;
  std::size_t at = 0;
  if (text.size() >= 2 && text[0] == ':' && text[1] == ':') gap = 0, at = 2;
  while (at < text.size()) {
    if (count == 8) return false;
    unsigned value = 0;
    std::size_t digits = 0;
    for (int d; at < text.size() && (d = lowerHexValue(text[at])) >= 0; ++at, ++digits) {
      value = value * 16 + static_cast<unsigned>(d);
    }
    if (digits == 0 || digits > 4 || (digits > 1 && text[at - digits] == '0')) return false;
    groups[count++] = static_cast<std::uint16_t>(value);
    if (at == text.size()) break;
    if (text[at] != ':' || ++at == text.size()) return false;
    if (text[at] == ':') {
      if (gap >= 0) return false;
      gap = count;
      if (++at == text.size()) break;
    }
  }
  if (gap < 0 ? count != 8 : count > 6) return false;
  const int shift = gap < 0 ? 0 : 8 - count;
  *bytes = {};
  for (int i = 0; i < count; ++i) {
    const int slot = (gap >= 0 && i >= gap) ? i + shift : i;
    (*bytes)[2 * slot] = static_cast<std::uint8_t>(groups[i] >> 8);
    (*bytes)[2 * slot + 1] = static_cast<std::uint8_t>(groups[i]);
  }
  return true;
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
  if (text.size() < 2 || text.size() > kLongestIpv6Text || !readGroups(text, bytes)) return false;
  char written[kLongestIpv6Text];
  return writeIpv6(*bytes, written) == text.size() &&
         std::memcmp(written, text.data(), text.size()) == 0;
}

}  // namespace crawlmeter
