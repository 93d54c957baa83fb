// IPv6 addresses in their one canonical text (lower-case hex, no leading zeros, the longest run of
// two or more zero groups written "::"), read into their 16 bytes and written back: an address
// set keeps such a text as its bytes, and gets the same text back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace crawlmeter {

using Ipv6Bytes = std::array<std::uint8_t, 16>;

// The longest canonical IPv6 text: eight groups of four digits.
inline constexpr std::size_t kLongestIpv6Text = 39;

// Writes the canonical text of bytes to out (room for kLongestIpv6Text bytes); returns its length.
std::size_t writeIpv6(const Ipv6Bytes& bytes, char* out);

// Reads text into bytes when it is an IPv6 address written exactly as writeIpv6 writes it; false
// for any other text, another spelling of an address included.
bool readCanonicalIpv6(std::string_view text, Ipv6Bytes* bytes);

}  // namespace crawlmeter
