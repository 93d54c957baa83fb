// The crawler catalogue: the built-in list against real user agents, catalogue files and their
// errors, and the catalogue counted in the run (priority, character alignment, chunk seams).
#include "catalogue/crawler_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

#include "compiled_catalogue.h"
#include "run/statistics_run.h"
#include "scan/record_parser.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::readFile;
using testing::TempFolder;

CrawlerCatalogue catalogueOf(std::string_view text) {
  CrawlerCatalogue catalogue;
  const Error error = catalogue.add(text, "test.tsv");
  EXPECT_TRUE(error.ok()) << catalogueErrorMessage(error, Wording());
  return catalogue;
}

std::string logLine(int hour, std::string_view rest) {
  std::string hourText = std::to_string(hour);
  if (hourText.size() < 2) hourText.insert(0, 1, '0');
  return "10.0.0.1 - - [25/Aug/2009:" + hourText + ":00:00 +0800] " + std::string(rest) + "\n";
}

// Each crawler's visits in all hours of the one file, by name; only crawlers with visits.
std::map<std::string, Count> countCrawlers(const std::string& log,
                                           const CrawlerCatalogue& catalogue,
                                           RunOptions options = {}) {
  options.catalogue = testing::compiled(catalogue);
  const RunResult result = runStatistics(std::vector<std::string>{log}, options);
  EXPECT_TRUE(result.error.ok());
  std::map<std::string, Count> visits;
  for (std::size_t crawler = 0; crawler < result.tables.crawlerCounts.size(); ++crawler) {
    const Count total = result.tables.crawlerCounts[crawler].total(0);
    if (total != 0) visits[catalogue.crawlers()[crawler].name] = total;
  }
  return visits;
}

TEST(CrawlerCatalogueTest, BuiltInCatalogueNamesTodaysCrawlersAndKeepsTheClassicTexts) {
  const CrawlerCatalogue catalogue = catalogueOf(builtInCatalogueText());
  EXPECT_GE(catalogue.crawlers().size(), 60u);
  const std::map<std::string, std::string> classic = {
      {"Baiduspider", "Baiduspider"}, {"Googlebot", "Googlebot"}, {"Slurp", "Yahoo! Slurp"},
      {"Sogou", "Sogou web spider"},  {"YoudaoBot", "YoudaoBot"}, {"msnbot", "msnbot"},
      {"bingbot", "bingbot"}};
  for (const auto& [name, text] : classic) {
    bool found = false;
    for (const CatalogueLine& line : catalogue.lines())
      found |= catalogue.crawlers()[line.crawler].name == name && line.text == text;
    EXPECT_TRUE(found) << name;
  }
  for (const char* robotsOnly : {"Google-Extended", "Applebot-Extended"})
    EXPECT_FALSE(catalogue.find(robotsOnly)) << robotsOnly;
}

// Every real user agent of the test data, in one log, is counted for the crawler it names: this
// checks the built-in order (specific texts before the general ones inside them).
TEST(CrawlerCatalogueTest, RealUserAgentsAreCountedForTheirOwnCrawler) {
  const std::string agents = readFile(CRAWLMETER_TEST_DATA "/crawler_user_agents.tsv");
  std::string log;
  std::map<std::string, Count> expected;
  for (std::size_t begin = 0; begin < agents.size();) {
    const std::size_t end = std::min(agents.find('\n', begin), agents.size());
    const std::string line = agents.substr(begin, end - begin);
    begin = end + 1;
    const std::size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    log += logLine(10, "\"GET / HTTP/1.1\" 200 5 \"-\" \"" + line.substr(tab + 1) + "\"");
    if (line.substr(0, tab) != "-") ++expected[line.substr(0, tab)];
  }
  TempFolder folder;
  EXPECT_EQ(countCrawlers(folder.write("agents.log", log), catalogueOf(builtInCatalogueText())),
            expected);
}

TEST(CrawlerCatalogueTest, BadLinesAreErrorsWithTheirPhysicalLineNumber) {
  const struct {
    std::string text;
    std::size_t line;
    std::string problem;
  } cases[] = {
      {"# comment\n\nA\tsearch\n", 3, "fewer than two tabs"},
      {"A\tsearch\tx\ty\n", 1, "a third tab"},
      {"A\tsearch\tok\r\nB\tweb\tx\n", 2, "unknown category 'web'"},
      {"A\tai\t\n", 1, "text is empty"},
      {"\tai\tx\n", 1, "name is empty"},
      {"A\tai\tok\nB\tai\t\xF0\x9F\x98\x80\n", 2, "code page 936 cannot hold"},
      {"A\tai\t\xFF\xFE\n", 1, "code page 936 cannot hold"},
  };
  for (const auto& bad : cases) {
    CrawlerCatalogue catalogue = catalogueOf("Kept\tother\tkept\n");
    const Error error = catalogue.add(bad.text, "user.tsv");
    ASSERT_EQ(error.what, Error::What::kCatalogue) << bad.text;
    EXPECT_EQ(error.line, bad.line) << bad.text;
    const std::string problem = error.detail.text(Wording());
    EXPECT_NE(problem.find(bad.problem), std::string::npos) << problem;
    EXPECT_EQ(catalogueErrorMessage(error, Wording())
                  .rfind("user.tsv:" + std::to_string(bad.line) + ": ", 0),
              0u);
    EXPECT_EQ(catalogue.lines().size(), 1u);  // nothing of a bad file is kept
  }
}

TEST(CrawlerCatalogueTest, FilesComeBeforeTheUserFileAndTheBuiltInLines) {
  TempFolder folder;
  CatalogueChoice choice;
  choice.files = {folder.write("a.tsv", "Mine\tother\tGooglebot\nMine\tseo\tOther\n")};
  choice.userFile = folder.write("user.tsv", "#\nUser\tmonitor\tuser-text\n");
  CrawlerCatalogue catalogue;
  ASSERT_TRUE(loadCatalogue(choice, &catalogue).ok());
  ASSERT_GE(catalogue.lines().size(), 4u);
  EXPECT_EQ(catalogue.lines()[0].source, choice.files[0] + ":1");
  EXPECT_EQ(catalogue.lines()[1].crawler, 0u);  // a name on two lines is one crawler...
  EXPECT_EQ(catalogue.crawlers()[0].category, CrawlerCategory::kOther);  // ...of its first category
  EXPECT_EQ(catalogue.lines()[2].source, *choice.userFile + ":2");
  EXPECT_EQ(catalogue.lines()[3].source, "built-in");
  // Googlebot's lines now count for Mine, which comes first.
  const std::string log = folder.write("l.log", logLine(3, "\"Googlebot/2.1\""));
  EXPECT_EQ(countCrawlers(log, catalogue), (std::map<std::string, Count>{{"Mine", 1}}));

  choice.builtIn = false;
  choice.userFile = folder.pathOf("missing.tsv");  // a user file that does not exist is no error
  ASSERT_TRUE(loadCatalogue(choice, &catalogue).ok());
  EXPECT_EQ(catalogue.lines().size(), 2u);
  choice.userFile = testing::utf8Path(folder.path());  // one that cannot be read is
  const Error error = loadCatalogue(choice, &catalogue);
  ASSERT_TRUE(error.failed());
#if defined(_WIN32)
  EXPECT_EQ(error.code, 336);  // ERROR_DIRECTORY_NOT_SUPPORTED
#else
  EXPECT_EQ(error.code, EISDIR);
#endif
  EXPECT_EQ(
      catalogueErrorMessage(error, Wording()),
      *choice.userFile + ": cannot read the crawler catalogue\n" + systemErrorText(error.code));
  EXPECT_EQ(catalogue.lines().size(), 2u);
}

TEST(CrawlerCatalogueTest, UserFileFollowsTheBaseDirectoryRules) {
  EXPECT_EQ(userCatalogueFile("/x/conf", "/home/u"), "/x/conf/crawlmeter/crawlers.tsv");
  EXPECT_EQ(userCatalogueFile("relative", "/home/u"), "/home/u/.config/crawlmeter/crawlers.tsv");
  EXPECT_EQ(userCatalogueFile("", "/home/u"), "/home/u/.config/crawlmeter/crawlers.tsv");
  EXPECT_EQ(userCatalogueFile(nullptr, nullptr), std::nullopt);
  EXPECT_EQ(userCatalogueFile(nullptr, "", "D:/AppData"), "D:/AppData/crawlmeter/crawlers.tsv");
}

// The first catalogue line found decides, wherever in the rest it is; texts in the address do
// not count, and a text never starts on the second byte of a two-byte character.
TEST(CrawlerCatalogueTest, MatchesFollowPriorityRestAndCharacters) {
  const CrawlerCatalogue catalogue = catalogueOf(
      "Specific\tsearch\tGoogle-Bot-X\nGeneral\tsearch\tBot-X\nHan\tother\t\xE4\xB8\xAD\n");
  const std::string log =
      logLine(1, "\"Bot-X then Google-Bot-X\"") +         // Specific: its line comes first
      logLine(2, "\"Bot-X\"") +                           // General
      "Bot-X - - [25/Aug/2009:03:00:00 +0800] \"-\"\n" +  // the address is not searched
      logLine(4,
              "\"\xB0"
              "Bot-X\"") +  // 0xB0 'B' is one character: no match
      logLine(5,
              "\"\xB0\xA1"
              "Bot-X\"") +             // after a whole character: General
      logLine(6, "\"\xD6\xD0\"") +     // the text's code page 936 bytes: Han
      logLine(7, "\"\xB5\xD6\xD0\"");  // 0xD6 is a second byte there: none
  TempFolder folder;
  const std::string path = folder.write("l.log", log);
  const std::map<std::string, Count> expected = {{"Specific", 1}, {"General", 2}, {"Han", 1}};
  EXPECT_EQ(countCrawlers(path, catalogue), expected);
  // Any chunk size and any cut into pieces gives the same counts: texts split between chunks are
  // found by the line's parser.
  std::mt19937 random(7);
  for (int trial = 0; trial < 40; ++trial) {
    RunOptions cut;
    cut.chunkBytes = 1 + random() % 40;
    cut.smallestPieceBytes = 1 + random() % 64;
    cut.probeBytes = 1 + random() % 64;
    EXPECT_EQ(countCrawlers(path, catalogue, cut), expected) << "chunks of " << cut.chunkBytes;
  }
}

TEST(CrawlerCatalogueTest, TheCatalogueIsASecondIndependentClassification) {
  TempFolder folder;
  const std::string log =
      folder.write("l.log", logLine(9, "\"Baiduspider\"") + logLine(9, "\"GPTBot Baiduspider\""));
  RunOptions options;
  options.catalogue = testing::compiled(catalogueOf(builtInCatalogueText()));
  const RunResult with = runStatistics(std::vector<std::string>{log}, options);
  const RunResult without = runStatistics(std::vector<std::string>{log}, RunOptions{});
  EXPECT_EQ(with.tables.counts(StatCategory::Baidu), without.tables.counts(StatCategory::Baidu));
  EXPECT_EQ(with.tables.counts(StatCategory::Baidu).total(0), 2);
  EXPECT_TRUE(without.tables.crawlerCounts.empty());
}

// With a catalogue, its search finds the six crawler texts as well: the eight kinds must come out
// as without one, whatever the catalogue holds and however the log is cut.
TEST(CrawlerCatalogueTest, TheEightKindsAreTheSameWithAnyCatalogue) {
  TempFolder folder;
  const std::string log = folder.write(
      "l.log", logLine(1, "\"msnbot then Baiduspider\"") + logLine(2, "\"Googlebot-Image\"") +
                   "Googlebot - - [25/Aug/2009:03:00:00 +0800] \"-\"\n" +
                   logLine(4, "\"\xB0YoudaoBot\"") + logLine(4, "\"\xB0\xA1Sogou web spider\"") +
                   logLine(5, "\"Yahoo! Slurp\xD6\xD0msnbot\"") + logLine(6, "\"-\""));
  RunOptions plain;
  plain.chunkBytes = 16;
  const RunResult without = runStatistics(std::vector<std::string>{log}, plain);
  for (const char* catalogue :
       {"", "Other\tother\tzzz\n", "Held\tseo\tspider\n", "Letter\tother\to\n"}) {
    for (std::size_t chunkBytes : {std::size_t{7}, std::size_t{64 << 10}}) {
      RunOptions options;
      options.chunkBytes = chunkBytes;
      CrawlerCatalogue chosen = catalogueOf(catalogue);
      if (*catalogue == '\0') chosen = catalogueOf(builtInCatalogueText());
      options.catalogue = testing::compiled(chosen);
      const RunResult with = runStatistics(std::vector<std::string>{log}, options);
      for (std::size_t kind = 0; kind < kStatCategoryCount; ++kind) {
        const auto category = static_cast<StatCategory>(kind);
        EXPECT_EQ(with.tables.counts(category), without.tables.counts(category))
            << "kind " << kind << ", catalogue '" << catalogue << "', chunks of " << chunkBytes;
      }
    }
  }
  // One crawler a line, the first in search order; none in the address; none inside a character.
  const std::array<Count, 6> expected = {1, 1, 1, 1, 0, 0};  // Baidu Google Yahoo Sogou Youdao Bing
  for (std::size_t crawler = 0; crawler < expected.size(); ++crawler)
    EXPECT_EQ(without.tables.counts(kCrawlerKinds[crawler]).total(0), expected[crawler]) << crawler;
}

}  // namespace
}  // namespace crawlmeter
