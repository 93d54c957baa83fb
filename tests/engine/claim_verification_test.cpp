// Claims kept in the count and verified after it: any cut of a log into pieces keeps the same
// claims, and each address's lines land in the split its verdict says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "compiled_catalogue.h"
#include "run/statistics_run.h"
#include "temp_folder.h"
#include "verify/claim_verification.h"

namespace crawlmeter {
namespace {

using testing::TempFolder;

CrawlerCatalogue builtInCatalogue() {
  CrawlerCatalogue catalogue;
  if (catalogue.add(builtInCatalogueText(), std::string(kBuiltInSource)).failed()) std::abort();
  return catalogue;
}

// Googlebot from addresses in Google's ranges (192.178.4.0/27) and from others outside them
// (203.0.113.x: more than the count's cache of judged claims holds), GPTBot likewise, a browser,
// and a Googlebot line without an address.
std::string claimLog() {
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"192.178.4.", "Googlebot/2.1"},  {"203.0.113.", "Googlebot/2.1"},
      {"4.151.71.180", "GPTBot/1.2"},   {"203.0.113.", "GPTBot/1.2"},
      {"203.0.113.9", "Firefox/128.0"}, {"crawler.example", "Googlebot/2.1"}};
  std::string text;
  for (int i = 0; i < 1200; ++i) {
    const auto& [address, agent] = lines[(i * 7) % lines.size()];
    const std::string last = std::to_string(address.starts_with("192") ? i % 32 : i % 211);
    const int hour = i / 52;
    text += address + (address.back() == '.' ? last : "") +
            " - - [22/Aug/2026:" + (hour < 10 ? "0" : "") + std::to_string(hour) +
            ":00:00 +0000] \"GET / HTTP/1.1\" 200 5 \"-\" \"" + agent + "\"\n";
  }
  return text;
}

TEST(ClaimVerificationTest, PiecesKeepTheClaimsAndVerdictsSplitThem) {
  TempFolder folder;
  const std::string log = folder.write("access.log", claimLog());
  const CrawlerCatalogue catalogue = builtInCatalogue();
  const CrawlerRanges ranges = CrawlerRanges::builtIn();
  const auto methods = usableMethods(catalogue, ranges, false);
  RunOptions options;
  options.catalogue = testing::compiled(catalogue);
  options.claimCheck = rangeClaimCheck(methods, ranges, false, true);
  const RunResult whole = runStatistics(std::vector<std::string>{log}, options);
  ASSERT_TRUE(whole.error.ok());
  std::mt19937 random(11);
  for (int trial = 0; trial < 20; ++trial) {
    RunOptions cut = options;
    cut.chunkBytes = 1 + random() % 200;
    cut.smallestPieceBytes = 1 + random() % 8000;
    cut.probeBytes = 200 + random() % 200;  // the plan cuts only when its probe holds a line
    const RunResult pieces = runStatistics(std::vector<std::string>{log}, cut);
    EXPECT_TRUE(pieces.tables.claims[0] == whole.tables.claims[0])
        << "pieces of " << cut.smallestPieceBytes;
  }
  const Expected<ClaimVerification> verified =
      verifyClaims(whole.tables.claims, methods, ranges, {});
  ASSERT_TRUE(verified.ok());
  for (const char* name : {"Googlebot", "GPTBot"}) {
    const std::size_t crawler = *catalogue.find(name);
    const ClaimSplit& split = verified->splits[crawler];
    const Count claimed = whole.tables.crawlerCounts[crawler].total(0);
    // Each of the six kinds of line comes 200 times: from the ranges, or from outside them.
    EXPECT_EQ(split.verified.total(0), 200) << name;
    EXPECT_EQ(split.spoofed.total(0), 200) << name;
    EXPECT_EQ(claimed, std::string(name) == "Googlebot" ? 600 : 400) << name;
  }
  Count spoofed = 0;
  for (const SpoofingAddress& spoofer : verified->spoofers) {
    EXPECT_TRUE(spoofer.address.starts_with("203.0.113.")) << spoofer.address;
    spoofed += spoofer.lines;
  }
  EXPECT_EQ(spoofed, 400);
  EXPECT_GE(verified->spoofers.front().lines, verified->spoofers.back().lines);
}

// The first prefix's address of a built-in ranges file, as its text writes it.
std::string firstAddressOf(std::string_view fileName) {
  for (const BuiltInRangeText& file : builtInRangeTexts()) {
    if (file.name != fileName) continue;
    const std::size_t member = file.text.find("Prefix\"");
    const std::size_t start = file.text.find('"', member + 7) + 1;
    return std::string(file.text.substr(start, file.text.find('/', start) - start));
  }
  return "";
}

TEST(ClaimVerificationTest, EveryOperatorsCrawlerIsVerifiedFromItsRangesAndSpoofedElsewhere) {
  const CrawlerCatalogue catalogue = builtInCatalogue();
  const CrawlerRanges ranges = CrawlerRanges::builtIn();
  std::string log;
  std::vector<std::size_t> crawlers;
  for (const VerificationMethod& method : verificationMethods()) {
    if (method.rangeFiles.empty() || !ranges.hasRanges(method.rangeFiles.front())) continue;
    const std::size_t crawler = *catalogue.find(method.crawlers.front());
    const auto line = std::find_if(catalogue.lines().begin(), catalogue.lines().end(),
                                   [&](const CatalogueLine& l) { return l.crawler == crawler; });
    for (const std::string& address :
         {firstAddressOf(method.rangeFiles.front()), std::string("198.51.100.1")}) {
      log += address + " - - [22/Aug/2026:10:00:00 +0000] \"GET / HTTP/1.1\" 200 5 \"-\" " +
             "\"Mozilla/5.0 (compatible; " + line->text + ")\"\n";
    }
    crawlers.push_back(crawler);
  }
  ASSERT_GE(crawlers.size(), 10u);  // Google's three files, Microsoft's, OpenAI's three...
  TempFolder folder;
  RunOptions options;
  options.catalogue = testing::compiled(catalogue);
  const auto methods = usableMethods(catalogue, ranges, false);
  options.claimCheck = rangeClaimCheck(methods, ranges, false, false);
  const RunResult run =
      runStatistics(std::vector<std::string>{folder.write("access.log", log)}, options);
  const Expected<ClaimVerification> verified = verifyClaims(run.tables.claims, methods, ranges, {});
  ASSERT_TRUE(verified.ok());
  for (std::size_t crawler : crawlers) {
    const std::string& name = catalogue.crawlers()[crawler].name;
    EXPECT_EQ(run.tables.crawlerCounts[crawler].total(0), 2) << name;
    EXPECT_EQ(verified->splits[crawler].verified.total(0), 1) << name;
    EXPECT_EQ(verified->splits[crawler].spoofed.total(0), 1) << name;
  }
}

}  // namespace
}  // namespace crawlmeter
