// A set of address ranges, built once from prefixes and asked many times whether it holds an
// address: sorted, merged intervals over the 16-byte form, searched by halves without allocating.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "verify/ip_address.h"

namespace crawlmeter {

// One prefix: the addresses whose first `length` bits (of the 16-byte form) are those of address.
// An IPv4 prefix a.b.c.d/n is held as its IPv4-mapped form, length 96 + n.
struct AddressPrefix {
  IpAddress address;
  int length = 0;  // 0 to 128
};

// "a.b.c.d/n" (n 0 to 32) or, with ipv6 true, an IPv6 prefix "x::/n" (n 0 to 128); nullopt when
// the text is not one. Host bits set after the length are allowed (they are masked off).
std::optional<AddressPrefix> parseAddressPrefix(std::string_view text, bool ipv6);

class AddressRanges {
 public:
  AddressRanges() = default;
  // The union of the prefixes, in any order, overlapping or not.
  explicit AddressRanges(const std::vector<AddressPrefix>& prefixes);

  bool empty() const { return intervals_.empty(); }
  // How many disjoint intervals the prefixes merged into.
  std::size_t intervalCount() const { return intervals_.size(); }
  bool contains(const IpAddress& address) const;

 private:
  using Key = std::pair<std::uint64_t, std::uint64_t>;  // the 16 bytes as two big-endian halves
  struct Interval {
    Key first, last;  // both included
  };
  std::vector<Interval> intervals_;  // sorted, neither overlapping nor touching
};

}  // namespace crawlmeter
