// The address set: every length an address can have, inline in its slot or in the arena, is
// told apart from every other and from an empty slot, through growth and clearing.
#include "scan/address_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "scan/ipv6_text.h"
#include "verify/ip_address.h"

namespace crawlmeter {
namespace {

TEST(AddressSetTest, AddressesOfEveryLengthAreKeptApart) {
  std::set<std::string> addresses;
  for (std::size_t length = 0; length <= 40; ++length) {
    for (char fill : {'1', '2'}) {
      std::string address(length, fill);
      if (length > 0) address.back() = ':';  // differ in the last byte only, too
      addresses.insert(address);
      addresses.insert(std::string(length, fill));
    }
  }
  addresses.insert(std::string(AddressSet::kLongestAddress, 'x'));
  AddressSet set;
  for (int round = 0; round < 2; ++round) {
    for (const std::string& address : addresses) {
      EXPECT_TRUE(set.insert(address)) << address.size();
      EXPECT_FALSE(set.insert(address)) << address.size();
    }
    for (int i = 0; i < 5000; ++i) set.insert(std::string("10.0.") + std::to_string(i));  // growth
    for (const std::string& address : addresses) EXPECT_TRUE(set.contains(address));
    std::size_t visited = 0;
    set.forEach([&](std::string_view text, std::uint64_t) {
      visited += addresses.count(std::string(text));
    });
    EXPECT_EQ(visited, addresses.size());
    set.clear();
    EXPECT_FALSE(set.contains(""));
    EXPECT_FALSE(set.contains("1111111"));
  }
}

// The one-pass reading of canonical texts agrees with its definition: the text reads as an IPv6
// address (by the verifier's reader) and writes back to itself.
TEST(AddressSetTest, CanonicalIpv6TextsAreThoseThatWriteBackToThemselves) {
  std::mt19937 random(3);
  const std::string mutations[] = {"0", ":", "::", "A", "00", "f", "1.2.3.4", ""};
  for (int trial = 0; trial < 200'000; ++trial) {
    Ipv6Bytes bytes{};
    for (std::size_t group = 0; group < 8; ++group) {  // zero groups are common
      if (random() % 3 == 0) continue;
      const unsigned value = random() % 4 == 0 ? 1 + random() % 15 : random() % 0x10000;
      bytes[2 * group] = static_cast<std::uint8_t>(value >> 8);
      bytes[2 * group + 1] = static_cast<std::uint8_t>(value);
    }
    char written[kLongestIpv6Text];
    std::string text(written, writeIpv6(bytes, written));
    Ipv6Bytes read{};
    ASSERT_TRUE(readCanonicalIpv6(text, &read)) << text;
    ASSERT_EQ(read, bytes) << text;
    // A random edit: canonical only when it writes back to itself.
    const std::size_t at = random() % (text.size() + 1);
    text.replace(at, random() % 3, mutations[random() % std::size(mutations)]);
    const std::optional<IpAddress> parsed = parseIpAddress(text);
    bool canonical =
        parsed && text.find_first_of(".[%") == std::string::npos && text.size() <= kLongestIpv6Text;
    if (canonical) {
      Ipv6Bytes original;
      std::copy(parsed->bytes.begin(), parsed->bytes.end(), original.begin());
      canonical = std::string(written, writeIpv6(original, written)) == text;
    }
    ASSERT_EQ(readCanonicalIpv6(text, &read), canonical) << text;
  }
}

}  // namespace
}  // namespace crawlmeter
