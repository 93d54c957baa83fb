// Real and spoofed crawlers as the command tells them: by the operators' ranges, in every output,
// the spoofers' list, users' ranges files and their errors.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/wording.h"
#include "command_runner.h"
#include "crawler_verification.h"
#include "dns_servers.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::Outcome;
using testing::runCommand;
using testing::TempFolder;

constexpr char kGooglebot[] =
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)";
constexpr char kBingbot[] =
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)";
constexpr char kGptBot[] = "Mozilla/5.0 (compatible; GPTBot/1.2; +https://openai.com/gptbot)";
constexpr char kBaiduspider[] =
    "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)";
constexpr char kBrowser[] =
    "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";

struct Visit {
  const char* address;
  int hour;
  const char* agent;
  int lines;
};

// Addresses in the operators' published ranges, and others outside them.
const std::vector<Visit> kVisits = {
    {"192.178.4.5", 10, kGooglebot, 1},              // googlebot.json: 192.178.4.0/27
    {"[2001:4860:4801:10::1a]", 10, kGooglebot, 1},  // 2001:4860:4801:10::/64
    {"203.0.113.9", 11, kGooglebot, 3},
    {"crawler.example", 11, kGooglebot, 1},  // no address: unverifiable
    {"13.66.139.7", 12, kBingbot, 1},        // bingbot.json: 13.66.139.0/24
    {"::ffff:198.51.100.7", 13, kBingbot, 1},
    {"4.151.71.180", 14, kGptBot, 1},  // gptbot.json: 4.151.71.176/28
    {"198.51.100.8", 15, kGptBot, 2},
    {"198.51.100.8", 16, kGptBot, 1},
    {"180.76.15.1", 9, kBaiduspider, 2},  // published as host names only
    {"203.0.113.9", 8, kBrowser, 5},
};

std::string dayLog() {
  std::string text;
  for (const Visit& visit : kVisits) {
    for (int i = 0; i < visit.lines; ++i) {
      char time[64];
      std::snprintf(time, sizeof time, "[22/Aug/2026:%02d:%02d:00 +0000]", visit.hour, i);
      text += std::string(visit.address) + " - - " + time + " \"GET / HTTP/1.1\" 200 5 \"-\" \"" +
              visit.agent + "\"\n";
    }
  }
  return text;
}

const nlohmann::json* crawlerEntry(const nlohmann::json& document, const std::string& name) {
  for (const nlohmann::json& entry : document["crawlers"]) {
    if (entry["name"] == name) return &entry;
  }
  return nullptr;
}

TEST(VerificationCommandTest, SplitsEachCrawlerByItsOperatorsRanges) {
  TempFolder folder;
  const std::string log = folder.write("access.log", dayLog());
  const Outcome json = runCommand(folder, {"--verify", "--kind", "bots", "--format", "json", log});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["verification"]["ranges_date"], "2026-08-20");
  EXPECT_EQ(document["verification"]["dns"], false);
  struct Expected {
    const char* name;
    int claimed, verified, spoofed;
  };
  for (const Expected& expected :
       std::vector<Expected>{{"Googlebot", 6, 2, 3}, {"bingbot", 2, 1, 1}, {"GPTBot", 4, 1, 3}}) {
    const nlohmann::json* entry = crawlerEntry(document, expected.name);
    ASSERT_NE(entry, nullptr) << expected.name;
    EXPECT_EQ((*entry)["totals"][0], expected.claimed) << expected.name;
    EXPECT_EQ((*entry)["verified"]["totals"][0], expected.verified) << expected.name;
    EXPECT_EQ((*entry)["spoofed"]["totals"][0], expected.spoofed) << expected.name;
  }
  EXPECT_EQ((*crawlerEntry(document, "GPTBot"))["spoofed"]["hours"][0][15], 2);
  // Without DNS, a crawler that publishes only host names cannot be verified.
  EXPECT_FALSE(crawlerEntry(document, "Baiduspider")->contains("verified"));

  const Outcome csv =
      runCommand(folder, {"--verify", "--kind", "bot:GPTBot", "--format", "csv", log});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_NE(csv.out.find(",22/Aug/2026,verified:GPTBot,14,1\n"), std::string::npos);
  EXPECT_NE(csv.out.find(",22/Aug/2026,spoofed:GPTBot,16,1\n"), std::string::npos);

  // The page verifies by the ranges unasked: verified, spoofed and unverifiable visits.
  const Outcome html = runCommand(folder, {"--html", "-", log});
  ASSERT_EQ(html.status, 0) << html.err;
  EXPECT_NE(
      html.out.find("<td class=\"n\">2</td><td class=\"n\">3</td><td class=\"n\">1</td></tr>"),
      std::string::npos);
  EXPECT_NE(html.out.find("<tr><td>198.51.100.8</td><td>GPTBot</td><td class=\"n\">3</td>"),
            std::string::npos);
}

TEST(VerificationCommandTest, TextReportsAddTheSplitAndTheEightKindsStayAsTheyWere) {
  TempFolder folder;
  const std::string log = folder.write("access.log", dayLog());
  const Outcome plain = runCommand(folder, {"--kind", "all", log});
  const Outcome verified = runCommand(folder, {"--verify", "--kind", "all", log});
  ASSERT_EQ(verified.status, 0) << verified.err;
  const std::size_t table = plain.out.find("正在统计各蜘蛛次数");
  ASSERT_NE(table, std::string::npos);
  EXPECT_EQ(verified.out.substr(0, table), plain.out.substr(0, table));
  EXPECT_NE(verified.out.find("共计       已验证         冒充\n"), std::string::npos);
  EXPECT_NE(verified.out.find(
                "\nGooglebot    搜索引擎              6            6            2            3\n"),
            std::string::npos)
      << verified.out.substr(table);
  EXPECT_NE(verified.out.find("\nBaiduspider"), std::string::npos);
  EXPECT_NE(verified.out.find("验证依据：运营方公布的地址段（2026-08-20）\n"), std::string::npos);

  const Outcome one = runCommand(folder, {"--verify", "--kind", "bot:bingbot", log});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find("\n23:00-24:00      0\n\n已验证            1\n\n冒充              1\n\n"),
            std::string::npos)
      << one.out;
}

TEST(VerificationCommandTest, ListsTheSpoofersMostLinesFirst) {
  TempFolder folder;
  const std::string log = folder.write("access.log", dayLog());
  const Outcome listed = runCommand(folder, {"--list-spoofers", log});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "198.51.100.8\tGPTBot\t3\t22/Aug/2026 15:00\t22/Aug/2026 16:00\n"
            "203.0.113.9\tGooglebot\t3\t22/Aug/2026 11:00\t22/Aug/2026 11:00\n"
            "::ffff:198.51.100.7\tbingbot\t1\t22/Aug/2026 13:00\t22/Aug/2026 13:00\n");
  // Given an output file, the list goes there, and only there.
  const std::string path = folder.pathOf("spoofers.tsv");
  const Outcome written = runCommand(folder, {"--list-spoofers", "--output", path, log});
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.out, "");
  EXPECT_EQ(testing::readFile(path), listed.out);
}

TEST(VerificationCommandTest, UsersRangesReplaceTheirOperatorsAndBadOnesStopTheCommand) {
  TempFolder folder;
  const std::string log = folder.write("access.log", dayLog());
  // A newer googlebot.json that holds the spoofer's address: it replaces Google's built-in file.
  const std::string newer =
      folder.write("2026-12-01-googlebot.json",
                   "{\"creationTime\": \"2026-12-01T00:00:00\",\n \"prefixes\": [\n"
                   "  {\"ipv4Prefix\": \"203.0.113.0/24\"}]}\n");
  const Outcome listed = runCommand(folder, {"--list-spoofers", "--crawler-ranges", newer, log});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out.find("203.0.113.9"), std::string::npos);
  EXPECT_NE(listed.out.find("198.51.100.8\tGPTBot"), std::string::npos);

  struct Bad {
    const char* name;
    const char* text;
    const char* where;  // what the message must begin with after the program's name
  };
  for (const Bad& bad :
       std::vector<Bad>{{"bingbot.json",
                         "{\"prefixes\": [\n {\"ipv4Prefix\": \"13.66.139.0/24\"},\n"
                         " {\"ipv4Prefix\": \"13.66.300.0/24\"}]}\n",
                         "bingbot.json:3:"},
                        {"gptbot.json", "13.66.139.0/24\n", "gptbot.json:"},
                        {"ranges.json", "{\"prefixes\": []}\n", "ranges.json:"}}) {
    const std::string path = folder.write(bad.name, bad.text);
    const Outcome outcome = runCommand(folder, {"--verify", "--crawler-ranges", path, log});
    EXPECT_EQ(outcome.status, 2) << bad.name;
    EXPECT_EQ(
        outcome.err.find("crawlmeter-report: " +
                         path.substr(0, path.size() - std::string(bad.name).size()) + bad.where),
        0u)
        << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
}

TEST(VerificationCommandTest, RangesOlderThanNinetyDaysAreToldOf) {
  using namespace std::chrono;
  const sys_days dated = year(2026) / August / 20;
  struct Case {
    int daysLater;
    const char* told;  // empty: nothing
  };
  for (const Case& c : std::vector<Case>{
           {0, ""}, {90, ""}, {91, "date from 2026-08-20, 91 days ago"}, {500, "500 days"}}) {
    const std::string notice =
        staleRangesNotice("2026-08-20", dated + days(c.daysLater), Wording());
    if (*c.told == '\0') {
      EXPECT_EQ(notice, "") << c.daysLater;
    } else {
      EXPECT_NE(notice.find(c.told), std::string::npos) << notice;
    }
  }
}

TEST(VerificationCommandTest, ListCrawlersSaysHowEachIsVerified) {
  TempFolder folder;
  const Outcome listed = runCommand(folder, {"--list-crawlers"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  for (const char* line : {"\nGooglebot\tsearch\tGooglebot\texact\tbuilt-in\tranges+dns\n",
                           "\nGPTBot\tai\tGPTBot\texact\tbuilt-in\tranges\n",
                           "\nBaiduspider\tsearch\tBaiduspider\texact\tbuilt-in\tdns\n",
                           "\nAhrefsBot\tseo\tAhrefsBot\texact\tbuilt-in\t-\n"}) {
    EXPECT_NE(listed.out.find(line), std::string::npos) << line;
  }
  EXPECT_NE(listed.out.find("googlebot.json\t2026-08-20\tbuilt-in\n"), std::string::npos);
}

#if !defined(_WIN32)
// The same log, asked of a DNS server on 127.0.0.1 that knows some of its addresses.
std::string dnsLog() {
  std::string text;
  const std::vector<std::pair<const char*, const char*>> lines = {
      {"180.76.15.1", kBaiduspider},   // its name leads back to it
      {"180.76.15.2", kBaiduspider},   // its name leads to another address
      {"198.51.100.9", kBaiduspider},  // a name with Baidu's domain inside a longer one
      {"203.0.113.20", kBaiduspider},  // no name at all
      {"192.0.2.66", kGooglebot},      // outside Google's ranges, but its name is Google's
      {"192.0.2.77", kBingbot},        // outside Microsoft's, but its name is Bing's
  };
  for (const auto& [address, agent] : lines) {
    text += std::string(address) +
            " - - [22/Aug/2026:09:00:00 +0000] \"GET / HTTP/1.1\" 200 5 \"-\" \"" + agent + "\"\n";
  }
  return text;
}

TEST(VerificationCommandTest, AsksDnsOnceAndKeepsItsAnswers) {
  std::string whyNot;
  std::unique_ptr<testing::Dnsmasq> dnsmasq = testing::Dnsmasq::start(
      {"--host-record=baiduspider-180-76-15-1.crawl.baidu.com,180.76.15.1",
       "--ptr-record=2.15.76.180.in-addr.arpa,baiduspider-180-76-15-2.crawl.baidu.com",
       "--host-record=baiduspider-180-76-15-2.crawl.baidu.com,180.76.15.99",
       "--host-record=baiduspider.baidu.com.evil.com,198.51.100.9",
       "--host-record=crawl-192-0-2-66.googlebot.com,192.0.2.66",
       "--host-record=msnbot-192-0-2-77.search.msn.com,192.0.2.77"},
      &whyNot);
  if (!dnsmasq) GTEST_SKIP() << whyNot;
  TempFolder folder;
  const std::string log = folder.write("access.log", dnsLog());
  const std::vector<std::string> arguments = {"--verify-dns", "--dns-server", dnsmasq->server(),
                                              "--list-spoofers", log};
  const std::string expected =
      "180.76.15.2\tBaiduspider\t1\t22/Aug/2026 09:00\t22/Aug/2026 09:00\n"
      "198.51.100.9\tBaiduspider\t1\t22/Aug/2026 09:00\t22/Aug/2026 09:00\n"
      "203.0.113.20\tBaiduspider\t1\t22/Aug/2026 09:00\t22/Aug/2026 09:00\n";
  const Outcome first = runCommand(folder, arguments);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, expected);
  // The second run asks nothing: its answers come from the cache.
  dnsmasq->stop();
  const Outcome second = runCommand(folder, arguments);
  EXPECT_EQ(second.out, expected) << second.err;
  const Outcome json = runCommand(folder, {"--verify-dns", "--dns-server", dnsmasq->server(),
                                           "--kind", "bots", "--format", "json", log});
  const nlohmann::json document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["verification"]["dns"], true);
  EXPECT_EQ((*crawlerEntry(document, "Baiduspider"))["verified"]["totals"][0], 1);
  EXPECT_EQ((*crawlerEntry(document, "Googlebot"))["verified"]["totals"][0], 1);
  EXPECT_EQ((*crawlerEntry(document, "bingbot"))["verified"]["totals"][0], 1);
}

TEST(VerificationCommandTest, AServerThatDoesNotAnswerMakesNothingSpoofed) {
  testing::BadDnsServer silent(testing::BadDnsServer::Answer::kNone);
  TempFolder folder;
  const std::string log = folder.write("access.log", dnsLog());
  const Outcome listed =
      runCommand(folder, {"--verify-dns", "--dns-server", silent.server(), "--list-spoofers", log});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "192.0.2.66\tGooglebot\t1\t22/Aug/2026 09:00\t22/Aug/2026 09:00\n"
            "192.0.2.77\tbingbot\t1\t22/Aug/2026 09:00\t22/Aug/2026 09:00\n");
  EXPECT_GT(silent.queriesSeen(), 0);
}
#endif

}  // namespace
}  // namespace crawlmeter
