// Reads client addresses by hand, without the system's resolver functions, so that every system
// reads them alike; and writes them back in their one canonical form.
#include "verify/ip_address.h"

#include <algorithm>
#include <cstddef>

namespace crawlmeter {
namespace {

using Bytes = std::array<std::uint8_t, 16>;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four decimal parts of one to three digits, none above 255 and none with a leading zero (as the
// system's inet_pton reads them: "010" could be meant as octal).
bool parseV4(std::string_view text, std::uint8_t* out) {
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != '.') return false;
      ++at;
    }
    std::size_t start = at;
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 3) {
      value = value * 10 + (text[at] - '0');
      ++at;
    }
    std::size_t digits = at - start;
    if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) return false;
    out[part] = static_cast<std::uint8_t>(value);
  }
  return at == text.size();
}

// RFC 4291 2.2: up to eight groups of one to four hex digits, one "::" standing for one or more
// zero groups, and optionally a dotted quad in place of the last two groups.
bool parseV6(std::string_view text, Bytes* out) {
  std::array<std::uint16_t, 8> groups{};
  int count = 0;
  int gap = -1;  // the group count where "::" stands
  std::size_t at = 0;
  if (text.substr(0, 2) == "::") {
    gap = 0;
    at = 2;
  } else if (text.empty() || text[0] == ':') {
    return false;
  }
  while (at < text.size()) {
    if (count == 8) return false;
    std::size_t end = at;
    while (end < text.size() && hexValue(text[end]) >= 0) ++end;
    if (end < text.size() && text[end] == '.') {  // the IPv4 tail ends the address
      std::uint8_t quad[4];
      if (count > 6 || !parseV4(text.substr(at), quad)) return false;
      groups[count++] = static_cast<std::uint16_t>(quad[0] << 8 | quad[1]);
      groups[count++] = static_cast<std::uint16_t>(quad[2] << 8 | quad[3]);
      break;
    }
    if (end == at || end - at > 4) return false;
    unsigned value = 0;
    for (std::size_t i = at; i < end; ++i) value = value * 16 + hexValue(text[i]);
    groups[count++] = static_cast<std::uint16_t>(value);
    at = end;
    if (at == text.size()) break;
    if (text[at] != ':' || ++at == text.size()) return false;  // no trailing single colon
    if (text[at] == ':') {
      if (gap >= 0) return false;
      gap = count;
      ++at;
    }
  }
  if (gap < 0 ? count != 8 : count > 7) return false;
  Bytes bytes{};
  int shift = gap < 0 ? 0 : 8 - count;
  for (int i = 0; i < count; ++i) {
    int slot = (gap >= 0 && i >= gap) ? i + shift : i;
    bytes[2 * slot] = static_cast<std::uint8_t>(groups[i] >> 8);
    bytes[2 * slot + 1] = static_cast<std::uint8_t>(groups[i] & 0xff);
  }
  *out = bytes;
  return true;
}

}  // namespace

bool IpAddress::isV4() const {
  return std::all_of(bytes.begin(), bytes.begin() + 10, [](std::uint8_t b) { return b == 0; }) &&
         bytes[10] == 0xff && bytes[11] == 0xff;
}

std::optional<IpAddress> parseIpAddress(std::string_view text) {
  IpAddress address;
  if (parseV4(text, address.bytes.data() + 12)) {
    address.bytes[10] = address.bytes[11] = 0xff;
    return address;
  }
  if (!text.empty() && text.front() == '[') {
    if (text.size() < 2 || text.back() != ']') return std::nullopt;
    text = text.substr(1, text.size() - 2);
  }
  std::size_t zone = text.find('%');
  if (zone != std::string_view::npos) {
    if (zone + 1 == text.size()) return std::nullopt;  // a zone is never empty
    text = text.substr(0, zone);
  }
  if (!parseV6(text, &address.bytes)) return std::nullopt;
  return address;
}

std::string ipAddressText(const IpAddress& address) {
  const Bytes& b = address.bytes;
  std::string text;
  if (address.isV4()) {
    for (int i = 12; i < 16; ++i) {
      if (i > 12) text += '.';
      text += std::to_string(b[i]);
    }
    return text;
  }
  // RFC 5952 4.2: the longest run of two or more zero groups, the first of equals, becomes "::".
  int bestStart = -1, bestLength = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && b[2 * j] == 0 && b[2 * j + 1] == 0) ++j;
    if (j - i > bestLength) bestStart = i, bestLength = j - i;
    i = j > i ? j : i + 1;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 8; ++i) {
    if (i == bestStart) {
      text += "::";
      i += bestLength - 1;
      continue;
    }
    if (!text.empty() && text.back() != ':') text += ':';
    unsigned group = b[2 * i] << 8 | b[2 * i + 1];
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      unsigned digit = (group >> shift) & 0xf;
      if (digit != 0 || started || shift == 0) text += kHex[digit], started = true;
    }
  }
  return text;
}

}  // namespace crawlmeter
