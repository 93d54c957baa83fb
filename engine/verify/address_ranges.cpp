// Address prefixes read from the operators' text, and the interval set they make.
#include "verify/address_ranges.h"

#include <algorithm>

namespace crawlmeter {
namespace {

std::uint64_t half(const IpAddress& address, int from) {
  std::uint64_t value = 0;
  for (int i = from; i < from + 8; ++i) value = value << 8 | address.bytes[i];
  return value;
}

// The mask of the first `bits` bits of a 64-bit half (bits 0 to 64).
std::uint64_t leading(int bits) {
  return bits <= 0 ? 0 : bits >= 64 ? ~std::uint64_t{0} : ~(~std::uint64_t{0} >> bits);
}

}  // namespace

std::optional<AddressPrefix> parseAddressPrefix(std::string_view text, bool ipv6) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view lengthText = text.substr(slash + 1);
  if (lengthText.empty() || lengthText.size() > 3) return std::nullopt;
  int length = 0;
  for (char c : lengthText) {
    if (c < '0' || c > '9') return std::nullopt;
    length = length * 10 + (c - '0');
  }
  const std::string_view addressText = text.substr(0, slash);
  // Brackets and zones belong to addresses in logs, not to prefixes.
  if (addressText.find_first_of("[%") != std::string_view::npos) return std::nullopt;
  const std::optional<IpAddress> address = parseIpAddress(addressText);
  const bool written6 = addressText.find(':') != std::string_view::npos;
  if (!address || written6 != ipv6) return std::nullopt;
  if (!written6) length += 96;
  if (length > 128) return std::nullopt;
  return AddressPrefix{*address, length};
}

AddressRanges::AddressRanges(const std::vector<AddressPrefix>& prefixes) {
  std::vector<Interval> intervals;
  intervals.reserve(prefixes.size());
  for (const AddressPrefix& prefix : prefixes) {
    const std::uint64_t highMask = leading(prefix.length);
    const std::uint64_t lowMask = leading(prefix.length - 64);
    const std::uint64_t high = half(prefix.address, 0), low = half(prefix.address, 8);
    intervals.push_back(
        Interval{{high & highMask, low & lowMask}, {high | ~highMask, low | ~lowMask}});
  }
  std::sort(intervals.begin(), intervals.end(),
            [](const Interval& a, const Interval& b) { return a.first < b.first; });
  for (const Interval& next : intervals) {
    if (!intervals_.empty()) {
      Interval& last = intervals_.back();
      // The key just after last.last; overflow only at the very last address, which ends all.
      Key after = last.last;
      if (++after.second == 0) ++after.first;
      const bool endsAll = last.last == Key{~std::uint64_t{0}, ~std::uint64_t{0}};
      if (endsAll || next.first <= after) {
        last.last = std::max(last.last, next.last);
        continue;
      }
    }
    intervals_.push_back(next);
  }
  intervals_.shrink_to_fit();
}

bool AddressRanges::contains(const IpAddress& address) const {
  const Key key{half(address, 0), half(address, 8)};
  // The first interval that starts after the key; the one before it is the only candidate.
  auto after =
      std::upper_bound(intervals_.begin(), intervals_.end(), key,
                       [](const Key& k, const Interval& interval) { return k < interval.first; });
  return after != intervals_.begin() && key <= std::prev(after)->last;
}

}  // namespace crawlmeter
