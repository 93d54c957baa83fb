// Client addresses: which texts are addresses and which are not, the one form each reads into, and
// the canonical text each writes back as.
#include "verify/ip_address.h"

#include <gtest/gtest.h>

#include <string>

namespace crawlmeter {
namespace {

struct AddressCase {
  const char* text;
  const char* canonical;  // nullptr: not an address
};

const AddressCase kAddressCases[] = {
    {"1.2.3.4", "1.2.3.4"},
    {"0.0.0.0", "0.0.0.0"},
    {"255.255.255.255", "255.255.255.255"},
    {"66.249.64.10", "66.249.64.10"},
    {"256.1.1.1", nullptr},
    {"1.2.3", nullptr},
    {"1.2.3.4.5", nullptr},
    {"1.2.3.", nullptr},
    {".1.2.3", nullptr},
    {"01.2.3.4", nullptr},
    {"1.2.3.1234", nullptr},
    {"1.2.3.4 ", nullptr},
    {" 1.2.3.4", nullptr},
    {"1..3.4", nullptr},
    {"[1.2.3.4]", nullptr},
    {"1.2.3.4%eth0", nullptr},
    {"-", nullptr},
    {"", nullptr},
    {"crawl-66-249-64-1.googlebot.com", nullptr},
    {"::", "::"},
    {"::1", "::1"},
    {"1::", "1::"},
    {"2001:DB8::1", "2001:db8::1"},
    {"2001:0db8:0000:0000:0000:0000:0000:0001", "2001:db8::1"},
    {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
    {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},
    {"1:0:0:2:0:0:0:3", "1:0:0:2::3"},
    {"0:0:0:0:0:0:0:0", "::"},
    {"1:2:3:4:5:6:7:8", "1:2:3:4:5:6:7:8"},
    {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0"},
    {"::2:3:4:5:6:7:8", "0:2:3:4:5:6:7:8"},
    {"2001:4860:4801:10::", "2001:4860:4801:10::"},
    {"::ffff:1.2.3.4", "1.2.3.4"},
    {"::FFFF:102:304", "1.2.3.4"},
    {"::1.2.3.4", "::102:304"},
    {"64:ff9b::192.0.2.33", "64:ff9b::c000:221"},
    {"1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:102:304"},
    {"[2001:db8::1]", "2001:db8::1"},
    {"fe80::1%eth0", "fe80::1"},
    {"[fe80::1%25]", "fe80::1"},
    {"fe80::1%", nullptr},
    {"[2001:db8::1", nullptr},
    {"2001:db8::1]", nullptr},
    {"[2001:db8::1]:443", nullptr},
    {"[]", nullptr},
    {":::", nullptr},
    {":1::", nullptr},
    {"1::2::3", nullptr},
    {"1:2:3:4:5:6:7:8:9", nullptr},
    {"1:2:3:4:5:6:7", nullptr},
    {"1:2:3:4:5:6:7:8::", nullptr},
    {"::1:2:3:4:5:6:7:8", nullptr},
    {"1:2:3:4:5:6:7:", nullptr},
    {"12345::", nullptr},
    {"g::1", nullptr},
    {"1:2:3:4:5:6:7:1.2.3.4", nullptr},
    {"::1.2.3.4:5", nullptr},
    {"::ffff:1.2.3", nullptr},
    {"::ffff:256.1.1.1", nullptr},
    {"1:2:3:4:5:6:7:8:1:2:3:4:5:6:7:8:1:2:3:4:5:6:7:8:1:2:3:4:5:6:7:8:1:2:3:4:5:6:7:8", nullptr},
};

TEST(IpAddressTest, ReadsAddressesAndWritesTheirCanonicalText) {
  for (const AddressCase& c : kAddressCases) {
    std::optional<IpAddress> address = parseIpAddress(c.text);
    if (c.canonical == nullptr) {
      EXPECT_FALSE(address.has_value()) << c.text;
      continue;
    }
    ASSERT_TRUE(address.has_value()) << c.text;
    EXPECT_EQ(ipAddressText(*address), c.canonical) << c.text;
    EXPECT_EQ(parseIpAddress(c.canonical), address) << c.text;  // the text reads back the same
    EXPECT_EQ(address->isV4(), std::string(c.canonical).find('.') != std::string::npos) << c.text;
  }
}

TEST(IpAddressTest, IPv4IsHeldMappedAndSortsWithIPv6) {
  IpAddress v4 = *parseIpAddress("1.2.3.4");
  EXPECT_EQ(v4, *parseIpAddress("::ffff:1.2.3.4"));
  EXPECT_EQ(v4.bytes[10], 0xff);
  EXPECT_EQ(v4.bytes[15], 4);
  EXPECT_LT(*parseIpAddress("::1"), v4);
  EXPECT_LT(v4, *parseIpAddress("1.2.3.5"));
  EXPECT_LT(v4, *parseIpAddress("2001:db8::"));
}

}  // namespace
}  // namespace crawlmeter
