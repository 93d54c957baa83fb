// The address set: every length an address can have, inline in its slot or in the arena, is
// told apart from every other and from an empty slot, through growth and clearing.
#include "scan/address_set.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

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
    set.forEach([&](std::string_view text, std::uint64_t) { visited += addresses.count(std::string(text)); });
    EXPECT_EQ(visited, addresses.size());
    set.clear();
    EXPECT_FALSE(set.contains(""));
    EXPECT_FALSE(set.contains("1111111"));
  }
}

}  // namespace
}  // namespace crawlmeter
