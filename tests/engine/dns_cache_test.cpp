// The cache of reverse DNS findings: where it lives, what a second run asks, what goes stale, and
// a cache that cannot be written, which never fails a run.
#include "verify/dns_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "dns_servers.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using namespace std::chrono_literals;
using testing::TempFolder;
using testing::testAddress;

constexpr std::chrono::sys_seconds kNow{1'700'000'000s};

std::string secondsAgo(std::chrono::seconds age) {
  return std::to_string((kNow - age).time_since_epoch().count());
}

TEST(DnsCacheFile, FollowsTheBaseDirectoryRules) {
  EXPECT_EQ(userDnsCacheFile("/x/cache", "/home/u"), "/x/cache/crawlmeter/dns.tsv");
  EXPECT_EQ(userDnsCacheFile("relative", "/home/u"), "/home/u/.cache/crawlmeter/dns.tsv");
  EXPECT_EQ(userDnsCacheFile("", "/home/u"), "/home/u/.cache/crawlmeter/dns.tsv");
  EXPECT_EQ(userDnsCacheFile(nullptr, nullptr), std::nullopt);
  EXPECT_EQ(userDnsCacheFile(nullptr, "", "D:/Local"), "D:/Local/crawlmeter/dns.tsv");
}

TEST(DnsCache, SavesWhatItLoadsAndFailsWhereNoFileCanBe) {
  TempFolder folder;
  DnsCache cache;
  cache.store(testAddress("2400:da00::1"), {true, {"a.baidu.com", "b.baidu.com"}}, kNow);
  cache.store(testAddress("66.249.66.1"), {true, {}}, kNow - 2h);
  cache.store(testAddress("66.249.66.2"), {false, {}}, kNow);
  const std::string path = folder.pathOf("dns.tsv");
  ASSERT_TRUE(cache.save(path, kNow).ok());
  EXPECT_EQ(testing::readFile(path), "66.249.66.1\t" + secondsAgo(2h) + "\t\n2400:da00::1\t" +
                                         secondsAgo(0s) + "\ta.baidu.com,b.baidu.com\n");
  Error problem;
  const DnsCache loaded = DnsCache::load(path, &problem);
  EXPECT_TRUE(problem.ok());
  EXPECT_EQ(loaded.find(testAddress("66.249.66.1"), kNow), DnsFinding({true, {}}));
  const std::string blocked = folder.write("file", "") + "/dns.tsv";
  EXPECT_EQ(cache.save(blocked, kNow).what, Error::What::kWrite);
}

TEST(DnsCache, AsksAgainWhatIsStaleOrUnreadable) {
  testing::BadDnsServer silent(testing::BadDnsServer::Answer::kNone);
  struct Case {
    const char* address;
    std::string line;  // in the cache before the run
    DnsFinding expected;
    bool kept;  // in the cache after it
  };
  const Case cases[] = {
      {"66.249.66.1", "66.249.66.1\t" + secondsAgo(8 * 24h) + "\tstale.googlebot.com", {}, false},
      {"66.249.66.2",
       "66.249.66.2\t" + secondsAgo(24h) + "\ta.googlebot.com,b.googlebot.com",
       {true, {"a.googlebot.com", "b.googlebot.com"}},
       true},
      {"2400:da00::1", "2400:da00::1\t" + secondsAgo(24h) + "\t", {true, {}}, true},
      {"66.249.66.4", "66.249.66.4\tyesterday\tbad.googlebot.com", {}, false},
      {"66.249.66.5", "66.249.66.5\t" + secondsAgo(-1h) + "\tfuture.googlebot.com", {}, false},
      {"66.249.66.6", "not-an-address\t" + secondsAgo(1h) + "\tlost.googlebot.com", {}, false},
  };
  TempFolder folder;
  std::string text;
  std::vector<IpAddress> addresses;
  for (const Case& c : cases) {
    text += c.line + "\n";
    addresses.push_back(testAddress(c.address));
  }
  const std::string path = folder.write("dns.tsv", text);
  Error problem;
  const auto found =
      confirmNamesCached(addresses, DnsChoice{silent.server(), 64, 300ms}, path, kNow, &problem);
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(problem.ok());
  const std::string saved = testing::readFile(path);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ((*found)[i], cases[i].expected) << cases[i].line;
    EXPECT_EQ(saved.find(cases[i].line + "\n") != std::string::npos, cases[i].kept)
        << cases[i].line;
  }
}

#if defined(_WIN32)
TEST(DnsCache, ASecondRunAsksNothing) {
  GTEST_SKIP() << "dnsmasq, which answers this test and the next, runs on POSIX systems only";
}
#else
TEST(DnsCache, ASecondRunAsksNothing) {
  std::string whyNot;
  std::unique_ptr<testing::Dnsmasq> dnsmasq = testing::Dnsmasq::start(
      {"--host-record=crawl-66-249-66-1.googlebot.com,66.249.66.1"}, &whyNot);
  if (!dnsmasq) GTEST_SKIP() << whyNot;
  const std::vector<IpAddress> addresses = {testAddress("66.249.66.1"), testAddress("66.249.66.3"),
                                            testAddress("66.249.66.1")};
  const DnsChoice choice{dnsmasq->server(), 64, 300ms};
  TempFolder folder;
  const std::string path = folder.pathOf("not/yet/dns.tsv");  // its folders are made
  const std::vector<DnsFinding> expected = {{true, {"crawl-66-249-66-1.googlebot.com"}},
                                            {true, {}},
                                            {true, {"crawl-66-249-66-1.googlebot.com"}}};
  Error problem;
  const auto first = confirmNamesCached(addresses, choice, path, kNow, &problem);
  ASSERT_TRUE(first.ok());
  EXPECT_TRUE(problem.ok());
  EXPECT_EQ(*first, expected);
  dnsmasq->stop();
  testing::BadDnsServer silent(testing::BadDnsServer::Answer::kNone);  // any query goes unanswered
  const DnsChoice silentChoice{silent.server(), 64, 300ms};
  const auto second = confirmNamesCached(addresses, silentChoice, path, kNow + 6 * 24h, &problem);
  ASSERT_TRUE(second.ok());
  EXPECT_TRUE(problem.ok());
  EXPECT_EQ(*second, expected);
  EXPECT_EQ(silent.queriesSeen(), 0);
}

TEST(DnsCache, ACacheThatCannotBeWrittenNeverFailsTheRun) {
  std::string whyNot;
  std::unique_ptr<testing::Dnsmasq> dnsmasq = testing::Dnsmasq::start(
      {"--host-record=crawl-66-249-66-1.googlebot.com,66.249.66.1"}, &whyNot);
  if (!dnsmasq) GTEST_SKIP() << whyNot;
  TempFolder folder;
  const std::string file = folder.write("file", "");
  std::filesystem::create_directory(folder.path() / "folder");
  // Its folder cannot be made (a file is in the way, which stops even the superuser), or the
  // cache's own name is a folder, which cannot be read or replaced.
  for (const std::string& path : {file + "/dns.tsv", folder.pathOf("folder")}) {
    const IpAddress address = testAddress("66.249.66.1");
    Error problem;
    const auto found =
        confirmNamesCached({&address, 1}, DnsChoice{dnsmasq->server()}, path, kNow, &problem);
    ASSERT_TRUE(found.ok()) << path;
    EXPECT_EQ(*found, std::vector<DnsFinding>({{true, {"crawl-66-249-66-1.googlebot.com"}}}));
    EXPECT_TRUE(problem.failed()) << path;
  }
  EXPECT_EQ(folder.entryCount(), 2);  // nothing left behind
}

#endif

}  // namespace
}  // namespace crawlmeter
