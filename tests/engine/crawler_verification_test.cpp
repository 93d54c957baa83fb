// Crawler verification: prefix tables, the built-in snapshot against its own files, users' range
// files replacing one operator file each (or nothing, on an error), and the verdict's every branch.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "catalogue/crawler_catalogue.h"
#include "temp_folder.h"
#include "verify/crawler_ranges.h"
#include "verify/verdict.h"

namespace crawlmeter {
namespace {

using testing::TempFolder;

IpAddress address(const char* text) { return *parseIpAddress(text); }

// The prefixes a range file's text holds, found as plain text: "ipv4Prefix": "a.b.c.d/n".
std::vector<std::string> prefixTexts(std::string_view json) {
  std::vector<std::string> prefixes;
  for (std::size_t at = json.find("Prefix\""); at != std::string_view::npos;
       at = json.find("Prefix\"", at + 1)) {
    const std::size_t open = json.find('"', json.find(':', at)) + 1;
    prefixes.emplace_back(json.substr(open, json.find('"', open) - open));
  }
  return prefixes;
}

// The first and last address of a prefix, by bit arithmetic on the 16 bytes.
std::array<IpAddress, 2> bounds(const std::string& prefix) {
  const std::size_t slash = prefix.find('/');
  IpAddress first = address(prefix.substr(0, slash).c_str());
  int length = std::stoi(prefix.substr(slash + 1)) + (first.isV4() ? 96 : 0);
  IpAddress last = first;
  for (int bit = length; bit < 128; ++bit) {
    const auto mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
    first.bytes[bit / 8] &= static_cast<std::uint8_t>(~mask);
    last.bytes[bit / 8] |= mask;
  }
  return {first, last};
}

IpAddress step(IpAddress a, int by) {  // a + 1 or a - 1
  for (int i = 15; i >= 0; --i) {
    const std::uint8_t before = a.bytes[i];
    a.bytes[i] = static_cast<std::uint8_t>(before + by);
    if ((by > 0 && before != 0xff) || (by < 0 && before != 0)) break;
  }
  return a;
}

bool inAny(const std::vector<std::string>& prefixes, const IpAddress& a) {
  for (const std::string& prefix : prefixes) {
    const std::array<IpAddress, 2> range = bounds(prefix);
    if (range[0] <= a && a <= range[1]) return true;
  }
  return false;
}

TEST(CrawlerVerificationTest, PrefixesAreReadMaskedAndMerged) {
  struct PrefixCase {
    const char* text;
    bool ipv6;
    bool valid;
  };
  const PrefixCase cases[] = {
      {"66.249.64.0/27", false, true},
      {"0.0.0.0/0", false, true},
      {"1.2.3.4/32", false, true},
      {"1.2.3.0/33", false, false},
      {"1.2.3.0", false, false},
      {"1.2.3.0/", false, false},
      {"/24", false, false},
      {"1.2.3.0/2a", false, false},
      {"1.2.3.0/-1", false, false},
      {"::/0", false, false},
      {"1.2.3.0/24", true, false},
      {"2001:db8::/32", true, true},
      {"::/128", true, true},
      {"::/129", true, false},
      {"[::1]/128", true, false},
      {"fe80::%1/64", true, false},
      {"2001:db8::/0032", true, false},
  };
  for (const PrefixCase& c : cases) {
    EXPECT_EQ(parseAddressPrefix(c.text, c.ipv6).has_value(), c.valid) << c.text;
  }
  std::vector<AddressPrefix> prefixes;
  for (const char* text : {"10.0.0.128/25", "10.0.0.77/25", "10.0.1.9/32", "10.0.1.0/29"}) {
    prefixes.push_back(*parseAddressPrefix(text, false));
  }
  prefixes.push_back(*parseAddressPrefix("2001:db8::1/32", true));
  const AddressRanges ranges(prefixes);
  EXPECT_EQ(ranges.intervalCount(), 3u);  // 10.0.0.0 to 10.0.1.7 join; 10.0.1.8 is a gap
  for (const char* in : {"10.0.0.0", "10.0.0.255", "10.0.1.7", "10.0.1.9",
                         "2001:db8::", "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff"}) {
    EXPECT_TRUE(ranges.contains(address(in))) << in;
  }
  for (const char* out :
       {"9.255.255.255", "10.0.1.8", "10.0.1.10", "2001:db7::", "2001:db9::", "::ffff:0:0", "::"}) {
    EXPECT_FALSE(ranges.contains(address(out))) << out;
  }
  EXPECT_TRUE(AddressRanges({*parseAddressPrefix("::/0", true)}).contains(address("1.2.3.4")));
  EXPECT_FALSE(AddressRanges().contains(address("::")));
}

// Each file of the snapshot holds the first and last address of its first and last prefix, and
// an address just before or after them only when another of its prefixes covers it.
TEST(CrawlerVerificationTest, TheSnapshotHoldsTheAddressesOfItsFiles) {
  const CrawlerRanges ranges = CrawlerRanges::builtIn();
  ASSERT_EQ(builtInRangeTexts().size(), kRangeFiles.size() - 1);  // all but Apple's
  std::string oldest = "9999";
  for (const BuiltInRangeText& file : builtInRangeTexts()) {
    const std::vector<std::string> prefixes = prefixTexts(file.text);
    ASSERT_FALSE(prefixes.empty()) << file.name;
    int outside = 0;
    for (const std::string& prefix : {prefixes.front(), prefixes.back()}) {
      for (const IpAddress& edge : bounds(prefix)) {
        EXPECT_TRUE(ranges.contains(file.name, edge)) << file.name << " " << ipAddressText(edge);
        for (const IpAddress& near : {step(edge, -1), step(edge, 1)}) {
          outside += !inAny(prefixes, near);
          EXPECT_EQ(ranges.contains(file.name, near), inAny(prefixes, near))
              << file.name << " " << ipAddressText(near);
        }
      }
    }
    EXPECT_GT(outside, 0) << file.name;
    const std::size_t time = file.text.find("\"creationTime\"");
    const std::string date(file.text.substr(file.text.find('"', time + 15) + 1, 10));
    EXPECT_EQ(ranges.file(file.name)->date, date);
    EXPECT_EQ(ranges.file(file.name)->source, "built-in");
    oldest = std::min(oldest, date);
  }
  EXPECT_EQ(ranges.oldestDate(), oldest);
  EXPECT_FALSE(ranges.hasRanges("applebot.json"));
  EXPECT_EQ(ranges.file("applebot.json")->source, "");
}

constexpr std::string_view kUserFile = R"({"creationTime": "2026-12-01T10:00:00",
  "prefixes": [{"ipv4Prefix": "192.0.2.0/24"}, {"ipv6Prefix": "2001:db8::/48", "service": "x"}],
  "syncToken": "1"})";

TEST(CrawlerVerificationTest, AUserFileReplacesOnlyItsOperatorFile) {
  TempFolder folder;
  std::filesystem::create_directory(folder.path() / "ranges");
  const std::string userFolder = folder.pathOf("ranges");
  testing::writeFile(userFolder + "/googlebot.json", kUserFile);
  testing::writeFile(userFolder + "/applebot.json",
                     R"({"prefixes": [{"ipv4Prefix": "17.0.0.0/8"}]})");
  testing::writeFile(userFolder + "/notes.txt", "not read");
  const std::string given =
      folder.write("2027-01-01-applebot.json", R"({"prefixes": [{"ipv4Prefix": "17.58.0.0/16"}]})");
  CrawlerRanges ranges;
  ASSERT_TRUE(loadRanges(RangesChoice{{given}, userFolder}, &ranges).ok());
  const CrawlerRanges builtIn = CrawlerRanges::builtIn();
  EXPECT_TRUE(ranges.contains("googlebot.json", address("192.0.2.9")));
  EXPECT_TRUE(ranges.contains("googlebot.json", address("2001:db8::1")));
  EXPECT_FALSE(ranges.contains("googlebot.json", address("66.249.64.1")));
  EXPECT_TRUE(builtIn.contains("googlebot.json", address("66.249.64.1")));
  EXPECT_EQ(ranges.file("googlebot.json")->date, "2026-12-01");
  EXPECT_EQ(ranges.file("googlebot.json")->source, userFolder + "/googlebot.json");
  EXPECT_TRUE(ranges.contains("applebot.json", address("17.58.1.1")));  // the given file came last
  EXPECT_FALSE(ranges.contains("applebot.json", address("17.1.1.1")));
  EXPECT_EQ(ranges.file("applebot.json")->date, "");
  for (const RangeFile& file : kRangeFiles) {
    if (file.name == "googlebot.json" || file.name == "applebot.json") continue;
    EXPECT_EQ(ranges.file(file.name)->source, "built-in") << file.name;
    EXPECT_EQ(ranges.file(file.name)->ranges.intervalCount(),
              builtIn.file(file.name)->ranges.intervalCount());
  }
  EXPECT_EQ(ranges.oldestDate(), builtIn.file("special-crawlers.json")->date);
  CrawlerRanges missing;  // a folder that does not exist holds no files
  ASSERT_TRUE(loadRanges(RangesChoice{{}, folder.pathOf("none")}, &missing).ok());
  EXPECT_TRUE(missing.contains("googlebot.json", address("66.249.64.1")));
  EXPECT_EQ(userRangesFolder("/x/conf", "/home/u"), "/x/conf/crawlmeter/ranges");
  EXPECT_EQ(userRangesFolder(nullptr, "", "D:/AppData"), "D:/AppData/crawlmeter/ranges");
}

TEST(CrawlerVerificationTest, AWrongFileIsToldWithItsLineAndChangesNothing) {
  struct WrongFile {
    const char* name;
    const char* text;
    std::size_t line;
    const char* problem;
  };
  const WrongFile cases[] = {
      {"bingbot.json", "{\"prefixes\": [\n{\"ipv4Prefix\": \"1.2.3.0/24\"},\n]}", 3,
       "not valid JSON"},
      {"bingbot.json", "\n\n", 3, "not valid JSON (at column 1)"},
      {"bingbot.json", "{\"prefixes\": [\"1.2.3.0/24]}", 0, "not valid JSON: "},
      {"bingbot.json", "{\"prefixes\": []} x", 1, "not valid JSON"},
      {"bingbot.json", "[\"1.2.3.0/24\"]", 1, "not valid JSON"},
      {"bingbot.json", "\n{\"creationTime\": \"2026-01-01\"}", 2, "no \"prefixes\" list"},
      {"bingbot.json", "{\"prefixes\":\n {\"ipv4Prefix\": \"1.2.3.0/24\"}}", 2, "is not a list"},
      {"bingbot.json", "{\"prefixes\": [\n {\"ipv4Prefix\": \"1.2.3.0/24\"},\n {\"ip\": \"x\"}]}",
       3, "has neither"},
      {"bingbot.json",
       "{\"prefixes\": [\n{\"ipv4Prefix\": \"1.2.3.0/24\"},\n\n  {\"ipv4Prefix\": "
       "\"1.2.3.0/33\"}]}",
       4, "\"1.2.3.0/33\" is not an IPv4 prefix"},
      {"bingbot.json", "{\"prefixes\": [{\"ipv6Prefix\":\n \"1.2.3.0/24\"}]}", 2,
       "not an IPv6 prefix"},
      {"bingbot.json", "{\"prefixes\": [{\"ipv4Prefix\": 7}]}", 1, "7 is not an IPv4 prefix"},
      {"bingbot.json", "{\"creationTime\": \"today\",\n\"prefixes\": []}", 1, "creationTime"},
      {"google-ranges.json", "{\"prefixes\": []}", 0, "googlebot.json, special-crawlers.json"},
  };
  TempFolder folder;
  for (const WrongFile& c : cases) {
    const std::string path = folder.write(c.name, c.text);
    CrawlerRanges ranges;
    const Error error = loadRanges(RangesChoice{{path}, std::nullopt}, &ranges);
    EXPECT_EQ(error.what, Error::What::kRanges) << c.text;
    EXPECT_EQ(error.path, path) << c.text;
    EXPECT_EQ(error.line, c.line) << c.text;
    const std::string message = rangesErrorMessage(error, Wording());
    EXPECT_NE(message.find(c.problem), std::string::npos) << message;
    EXPECT_EQ(message.rfind(path, 0), 0u) << message;
    EXPECT_FALSE(ranges.hasRanges("googlebot.json")) << c.text;  // not even the built-in ones
    ranges = CrawlerRanges::builtIn();
    EXPECT_TRUE(ranges.add(c.text, path).failed()) << c.text;
    EXPECT_EQ(ranges.file("bingbot.json")->source, "built-in") << c.text;
    EXPECT_TRUE(ranges.contains("bingbot.json", address("13.66.139.1"))) << c.text;
  }
  const Error unreadable = CrawlerRanges().addFile(folder.pathOf("googlebot.json"));
  EXPECT_EQ(unreadable.what, Error::What::kOpen);
  EXPECT_NE(rangesErrorMessage(unreadable, Wording()).find("cannot read"), std::string::npos);
}

TEST(CrawlerVerificationTest, EveryNameOfTheMethodsIsKnown) {
  CrawlerCatalogue catalogue;
  ASSERT_TRUE(catalogue.add(builtInCatalogueText(), "built-in").ok());
  for (const VerificationMethod& method : verificationMethods()) {
    for (std::string_view crawler : method.crawlers) {
      EXPECT_TRUE(catalogue.find(crawler).has_value()) << crawler;
      EXPECT_EQ(verificationMethodOf(crawler), &method) << crawler;
    }
    for (std::string_view file : method.rangeFiles) {
      EXPECT_NE(CrawlerRanges().file(file), nullptr) << file;
    }
  }
  EXPECT_EQ(verificationMethodOf("SemrushBot"), nullptr);
}

TEST(CrawlerVerificationTest, HostSuffixesMatchWholeLabels) {
  const struct {
    const char* name;
    const char* suffix;
    bool under;
  } cases[] = {
      {"crawl-66-249-66-1.googlebot.com", "googlebot.com", true},
      {"googlebot.com", "googlebot.com", true},
      {"Crawl-1.GoogleBot.COM", "googlebot.com", true},
      {"evilgooglebot.com", "googlebot.com", false},
      {"googlebot.com.evil.example", "googlebot.com", false},
      {"oglebot.com", "googlebot.com", false},
      {".googlebot.com", "googlebot.com", true},
      {"x.googlebot.co", "googlebot.com", false},
      {"x.baidu.com", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(nameHasSuffix(c.name, c.suffix), c.under) << c.name;
}

TEST(CrawlerVerificationTest, TheVerdictFollowsItsRule) {
  const CrawlerRanges builtIn = CrawlerRanges::builtIn();
  const CrawlerRanges none;
  const DnsFinding failed{false, {}};
  const DnsFinding noName{true, {}};
  const DnsFinding google{true, {"other.example", "crawl-66-249-66-1.googlebot.com"}};
  const DnsFinding baidu{true, {"baiduspider-1.crawl.baidu.com"}};
  const DnsFinding evil{true, {"evilbaidu.com", "baidu.com.evil.example"}};
  const DnsFinding apple{true, {"17-58-1-1.applebot.apple.com"}};
  const std::optional<IpAddress> inGoogle = address("66.249.64.1");
  const std::optional<IpAddress> elsewhere = address("192.0.2.1");
  const struct {
    const char* crawler;
    const CrawlerRanges* ranges;
    std::optional<IpAddress> address;
    const DnsFinding* dns;
    Verdict verdict;
  } cases[] = {
      {"Googlebot", &builtIn, std::nullopt, &google, Verdict::kUnverifiable},
      {"Googlebot", &builtIn, inGoogle, nullptr, Verdict::kVerified},
      {"Googlebot", &builtIn, inGoogle, &noName, Verdict::kVerified},
      {"Googlebot", &builtIn, elsewhere, &google, Verdict::kVerified},
      {"Googlebot", &builtIn, elsewhere, &noName, Verdict::kSpoofed},
      {"Googlebot", &builtIn, elsewhere, &failed, Verdict::kSpoofed},
      {"Googlebot", &builtIn, elsewhere, nullptr, Verdict::kSpoofed},
      {"Googlebot", &none, elsewhere, nullptr, Verdict::kUnverifiable},
      {"Googlebot", &none, elsewhere, &failed, Verdict::kUnverifiable},
      {"Googlebot", &none, elsewhere, &noName, Verdict::kSpoofed},
      {"AdsBot-Google", &builtIn, inGoogle, nullptr, Verdict::kSpoofed},
      {"GPTBot", &builtIn, address("4.151.71.177"), nullptr, Verdict::kVerified},
      {"GPTBot", &builtIn, elsewhere, &google, Verdict::kSpoofed},
      {"GPTBot", &none, elsewhere, &noName, Verdict::kUnverifiable},
      {"Baiduspider", &builtIn, elsewhere, nullptr, Verdict::kUnverifiable},
      {"Baiduspider", &builtIn, elsewhere, &failed, Verdict::kUnverifiable},
      {"Baiduspider", &builtIn, elsewhere, &baidu, Verdict::kVerified},
      {"Baiduspider", &builtIn, elsewhere, &evil, Verdict::kSpoofed},
      {"Baiduspider", &builtIn, elsewhere, &noName, Verdict::kSpoofed},
      {"Applebot", &builtIn, elsewhere, nullptr, Verdict::kUnverifiable},
      {"Applebot", &builtIn, elsewhere, &apple, Verdict::kVerified},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(verdictOf(*verificationMethodOf(c.crawler), *c.ranges, c.address, c.dns), c.verdict)
        << c.crawler << " " << (c.address ? ipAddressText(*c.address) : "-") << " "
        << (c.dns ? c.dns->confirmedNames.size() : 99);
  }
}

TEST(CrawlerVerificationTest, EachCrawlerSaysHowItIsVerified) {
  const CrawlerRanges builtIn = CrawlerRanges::builtIn();
  const struct {
    const char* crawler;
    const CrawlerRanges& ranges;
    std::string_view word;
  } cases[] = {
      {"Googlebot", builtIn, "ranges+dns"}, {"GPTBot", builtIn, "ranges"},
      {"Baiduspider", builtIn, "dns"},      {"Applebot", builtIn, "dns"},
      {"GPTBot", CrawlerRanges(), "-"},     {"SemrushBot", builtIn, "-"},
  };
  for (const auto& c : cases) EXPECT_EQ(verificationWord(c.crawler, c.ranges), c.word) << c.crawler;
}

}  // namespace
}  // namespace crawlmeter
