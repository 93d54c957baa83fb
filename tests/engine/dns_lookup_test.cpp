// Forward-confirmed reverse DNS against real servers on 127.0.0.1: dnsmasq with the test's
// records, and a server of our own that answers badly.
#include "verify/dns_lookup.h"

#include <gtest/gtest.h>

#include <chrono>

#include "dns_servers.h"

namespace crawlmeter {
namespace {

using namespace std::chrono_literals;
using testing::testAddress;

TEST(DnsServerText, TellsAServerFromOtherText) {
  struct Case {
    const char* text;
    bool server;
  };
  const Case cases[] = {
      {"127.0.0.1", true},  {"127.0.0.1:5353", true}, {"::1", true},
      {"[::1]", true},      {"[::1]:53", true},       {"", false},
      {"localhost", false}, {"1.2.3", false},         {"1.2.3.4:", false},
      {"1.2.3.4:0", false}, {"1.2.3.4:65536", false}, {"1.2.3.4:5x", false},
      {"[::1", false},      {"[::1]53", false},       {"[1.2.3.4]:53", false},
      {"::1%eth0", false},
  };
  for (const Case& c : cases) {
    const Error error = checkDnsServer(c.text);
    EXPECT_EQ(error.ok(), c.server) << c.text;
    if (error.failed()) {
      EXPECT_EQ(error.what, Error::What::kResolver) << c.text;
      EXPECT_FALSE(error.detail.empty()) << c.text;
    }
  }
  const IpAddress address = testAddress("66.249.66.1");
  const auto found = confirmNames({&address, 1}, DnsChoice{"localhost:53"});
  ASSERT_TRUE(found.failed());
  EXPECT_EQ(found.error().what, Error::What::kResolver);
}

std::vector<IpAddress> addressesOf(const std::vector<std::string>& texts) {
  std::vector<IpAddress> addresses;
  for (const std::string& text : texts) addresses.push_back(testAddress(text));
  return addresses;
}

#if defined(_WIN32)
TEST(ConfirmNames, FollowsPtrRecordsBackToTheAddress) {
  GTEST_SKIP() << "dnsmasq, which answers this test, runs on POSIX systems only";
}
#else
TEST(ConfirmNames, FollowsPtrRecordsBackToTheAddress) {
  const std::vector<std::string> records = {
      "--host-record=crawl-66-249-66-1.googlebot.com,66.249.66.1",
      // (--address gives an A record without a PTR record: --host-record gives both)
      // the classic spoof: a name in the right domain whose A record is another address
      "--ptr-record=2.66.249.66.in-addr.arpa,crawl-66-249-66-2.googlebot.com",
      "--host-record=crawl-66-249-66-2.googlebot.com,66.249.66.99",
      "--host-record=baiduspider-1.crawl.baidu.com,2400:da00::1",
      // a name no server here answers for: its forward query is refused
      "--ptr-record=4.66.249.66.in-addr.arpa,crawl.elsewhere.example",
      // two names, one leading back
      "--ptr-record=5.66.249.66.in-addr.arpa,a.yandex.ru",
      "--ptr-record=5.66.249.66.in-addr.arpa,Spider-5.Yandex.RU",
      "--address=/a.yandex.ru/66.249.66.98", "--address=/spider-5.yandex.ru/66.249.66.5",
      // five names, only the fifth of the answer leading back (dnsmasq answers them in the
      // reverse order of its options): it is never checked
      "--ptr-record=6.66.249.66.in-addr.arpa,n1.yandex.ru",
      "--ptr-record=6.66.249.66.in-addr.arpa,n2.yandex.ru",
      "--ptr-record=6.66.249.66.in-addr.arpa,n3.yandex.ru",
      "--ptr-record=6.66.249.66.in-addr.arpa,n4.yandex.ru",
      "--ptr-record=6.66.249.66.in-addr.arpa,n5.yandex.ru", "--address=/n1.yandex.ru/66.249.66.6"};
  std::string whyNot;
  const std::unique_ptr<testing::Dnsmasq> dnsmasq = testing::Dnsmasq::start(records, &whyNot);
  if (!dnsmasq) GTEST_SKIP() << whyNot;
  struct Case {
    const char* address;
    DnsFinding expected;
  };
  const Case cases[] = {
      {"66.249.66.1", {true, {"crawl-66-249-66-1.googlebot.com"}}},
      {"66.249.66.2", {true, {}}},
      {"66.249.66.3", {true, {}}},  // no PTR record
      {"2400:da00::1", {true, {"baiduspider-1.crawl.baidu.com"}}},
      {"66.249.66.4", {false, {}}},
      {"66.249.66.5", {true, {"spider-5.yandex.ru"}}},
      {"66.249.66.6", {true, {}}},
  };
  std::vector<std::string> texts;
  for (const Case& c : cases) texts.push_back(c.address);
  const std::vector<IpAddress> addresses = addressesOf(texts);
  // Two at a time: the queue, not c-ares, holds the rest back.
  const auto found = confirmNames(addresses, DnsChoice{dnsmasq->server(), 2, 2000ms});
  ASSERT_TRUE(found.ok()) << found.error().detail.text(Wording());
  ASSERT_EQ(found->size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ((*found)[i], cases[i].expected) << cases[i].address;
  }
}

#endif

TEST(ConfirmNames, ABadServerLeavesAddressesUnansweredInTime) {
  using Answer = testing::BadDnsServer::Answer;
  const std::vector<IpAddress> addresses = addressesOf({"66.249.66.1", "2400:da00::1", "1.2.3.4"});
  for (const Answer answer : {Answer::kGarbage, Answer::kTruncated, Answer::kLate, Answer::kNone}) {
    testing::BadDnsServer server(answer);
    const auto start = std::chrono::steady_clock::now();
    const auto found = confirmNames(addresses, DnsChoice{server.server(), 64, 300ms});
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(found.ok()) << static_cast<int>(answer);
    EXPECT_EQ(*found, std::vector<DnsFinding>(addresses.size())) << static_cast<int>(answer);
    // A truncated answer sends c-ares to TCP, which this server refuses; c-ares may then end the
    // queries it had not yet sent to it (as it did under Wine): one query seen is enough there.
    EXPECT_GE(server.queriesSeen(), answer == Answer::kTruncated ? 1 : 3)
        << static_cast<int>(answer);
    EXPECT_LT(took, 1200ms) << static_cast<int>(answer);
  }
}

TEST(ConfirmNames, SendsAtMostInFlightQueriesAtOnce) {
  testing::BadDnsServer silent(testing::BadDnsServer::Answer::kNone);
  const std::vector<IpAddress> addresses = addressesOf({"66.249.66.1", "66.249.66.2", "::1"});
  const auto start = std::chrono::steady_clock::now();
  const auto found = confirmNames(addresses, DnsChoice{silent.server(), 1, 200ms});
  ASSERT_TRUE(found.ok());
  EXPECT_GE(std::chrono::steady_clock::now() - start, 3 * 200ms);  // one after another
}

TEST(ConfirmNames, StopsWhenCancelled) {
  testing::BadDnsServer server(testing::BadDnsServer::Answer::kNone);
  const std::vector<IpAddress> addresses = addressesOf({"66.249.66.1"});
  int asked = 0;
  const auto found =
      confirmNames(addresses, DnsChoice{server.server(), 64, 5000ms}, [&] { return ++asked > 2; });
  ASSERT_TRUE(found.failed());
  EXPECT_EQ(found.error().what, Error::What::kCancelled);
}

}  // namespace
}  // namespace crawlmeter
