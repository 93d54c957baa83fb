// Client addresses as logs write them, read into one 16-byte form so that IPv4 and IPv6 addresses
// compare, sort and match address ranges alike.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace crawlmeter {

struct IpAddress {
  // An IPv6 address in network byte order; an IPv4 address is held IPv4-mapped (::ffff:a.b.c.d).
  std::array<std::uint8_t, 16> bytes{};

  bool isV4() const;  // whether it is IPv4-mapped
  auto operator<=>(const IpAddress&) const = default;
};

// The address an address field holds: an IPv4 dotted quad, or IPv6 in any of its textual forms
// (compressed, with an embedded IPv4 tail), either in brackets or with a %zone or both (the zone is
// dropped). An IPv4-mapped IPv6 address reads as the IPv4 address it maps. nullopt for anything
// else: a host name, "-", garbage.
std::optional<IpAddress> parseIpAddress(std::string_view text);

// A dotted quad for IPv4, the recommended compressed form (RFC 5952) for IPv6.
std::string ipAddressText(const IpAddress& address);

}  // namespace crawlmeter
