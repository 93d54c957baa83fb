// The crawler catalogue: the built-in list against real user agents, catalogue files and their
// errors, and the catalogue counted in the run (priority, character alignment, chunk seams).
#include "catalogue/crawler_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

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

// The LABEL<TAB>USER_AGENT lines of a test data file, comments and blank lines left out.
std::vector<std::pair<std::string, std::string>> labelledAgents(const std::string& name) {
  const std::string text = readFile(CRAWLMETER_TEST_DATA "/" + name);
  std::vector<std::pair<std::string, std::string>> agents;
  for (std::size_t begin = 0; begin < text.size();) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    const std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    const std::size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    agents.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  return agents;
}

// Every real user agent of the test data, in one log, is counted for the crawler it names: this
// checks the built-in order (specific texts before the general ones inside them).
TEST(CrawlerCatalogueTest, RealUserAgentsAreCountedForTheirOwnCrawler) {
  std::string log;
  std::map<std::string, Count> expected;
  for (const auto& [name, agent] : labelledAgents("crawler_user_agents.tsv")) {
    log += logLine(10, "\"GET / HTTP/1.1\" 200 5 \"-\" \"" + agent + "\"");
    if (name != "-") ++expected[name];
  }
  TempFolder folder;
  EXPECT_EQ(countCrawlers(folder.write("agents.log", log), catalogueOf(builtInCatalogueText())),
            expected);
}

// A tool's name is a word of addresses too: a browser's line whose path or referer names a tool's
// page is no tool's visit, while the tool's own agent beside the same referer is.
TEST(CrawlerCatalogueTest, ToolsAreNotNamedByPathsOrReferers) {
  const char* const browser =
      "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/131.0.0.0 Safari/537.36";
  const struct {
    const char* path;
    const char* referer;
    const char* ownAgent;  // the tool's agent, counted for tool
    const char* tool;
  } cases[] = {
      {"/blog/ssl.html", "http://example.wordpress.com/2013/07/24/using-of-curl/", "curl/7.68.0",
       "curl"},
      {"/", "https://github.com/curl/curl/releases", "curl/8.5.0", "curl"},
      {"/docs/Java/intro.html", "-", "Java/17.0.2", "Java"},
      {"/", "https://github.com/axios/axios", "axios/1.6.2", "axios"},
      {"/", "https://github.com/square/okhttp/releases", "okhttp/4.9.0", "okhttp"},
      {"/sleep/insomnia/causes", "-", "insomnia/2023.5.8", "insomnia"},
      {"/", "https://github.com/FreshRSS/FreshRSS/releases", "FreshRSS/1.23.1", "FreshRSS"},
      {"/", "https://github.com/rest-client/rest-client", "rest-client/2.1.0", "rest-client"},
      {"/", "https://github.com/aio-libs/aiohttp/pull/1", "Python/3.11 aiohttp/3.9.1", "aiohttp"},
      {"/tools/sqlmap/usage", "https://github.com/zmap/zgrab/wiki", "sqlmap/1.7.2#stable",
       "sqlmap"},
      {"/", "https://github.com/robertdavidgraham/masscan/blob/master/README.md", "masscan/1.3",
       "masscan"},
  };
  const CrawlerCatalogue catalogue = catalogueOf(builtInCatalogueText());
  TempFolder folder;
  for (const auto& c : cases) {
    const std::string request =
        std::string("\"GET ") + c.path + " HTTP/1.1\" 200 5 \"" + c.referer + "\" \"";
    const std::string log = folder.write(
        "l.log", logLine(1, request + browser + "\"") + logLine(2, request + c.ownAgent + "\""));
    EXPECT_EQ(countCrawlers(log, catalogue), (std::map<std::string, Count>{{c.tool, 1}}))
        << c.path << " " << c.referer;
  }
}

// A crawler is told by the agent alone, the third quoted field, wherever the chunks cut the line;
// a line without one is searched whole.
TEST(CrawlerCatalogueTest, TheAgentFieldAloneNamesTheCrawler) {
  const struct {
    const char* rest;
    const char* crawler;  // nullptr: people
  } cases[] = {
      {R"x("GET /GPTBot HTTP/1.1" 200 5 "http://x.example/AhrefsBot" "Mozilla/5.0 (X11) Firefox/1")x",
       nullptr},
      {R"x("GET / HTTP/1.1" 200 5 "-" "Mozilla/5.0 (compatible; GPTBot/1.2)" "10.1.1.1")x",
       "GPTBot"},
      {R"x("GET / HTTP/1.1" 200 5 "http://x.example/\"AhrefsBot\\" "Mozilla/5.0 (compatible; GPTBot/1.2)")x",
       "GPTBot"},
      {R"x("GET /AhrefsBot HTTP/1.1" 200 5)x", "AhrefsBot"},
      {R"x("GET / HTTP/1.1" 200 5 "-" "-")x", "无用户代理"},
      {R"x("GET / HTTP/1.1" 200 5 "-" "Mozilla/5.0")x", "无名自动程序"},
      {R"x("GET / HTTP/1.1" 200 5 "-" "Mozilla/5.0 (compatible; ZyxBot/3.0)")x", "其他蜘蛛"},
  };
  CrawlerCatalogue catalogue = catalogueOf("GPTBot\tai\tGPTBot\nAhrefsBot\tseo\tAhrefsBot\n");
  catalogue.addAgentRules();
  TempFolder folder;
  for (const auto& c : cases) {
    const std::string log = folder.write("l.log", logLine(3, c.rest) + logLine(4, c.rest));
    const auto expected =
        c.crawler ? std::map<std::string, Count>{{c.crawler, 2}} : std::map<std::string, Count>{};
    for (const std::size_t chunk : {std::size_t{3}, std::size_t{40}, kDefaultChunkBytes}) {
      RunOptions options;
      options.chunkBytes = chunk;
      EXPECT_EQ(countCrawlers(log, catalogue, options), expected) << c.rest << " " << chunk;
    }
  }
}

// Hundreds of real browsers' user agents (2012-2026, phones, apps' own browsers) are no crawler's
// visits: a catalogue text loose enough to occur in a browser's agent, or an agent rule that takes
// a browser for a program, fails here.
TEST(CrawlerCatalogueTest, BrowserUserAgentsAreCountedForNoCrawler) {
  const std::set<std::string> kinds = {"desktop", "mobile", "tablet", "in-app", "old"};
  const auto agents = labelledAgents("browser_user_agents.tsv");
  EXPECT_GE(agents.size(), 400u);
  std::string log;
  for (const auto& [kind, agent] : agents) {
    EXPECT_EQ(kinds.count(kind), 1u) << kind;
    log += logLine(10, "\"GET / HTTP/1.1\" 200 5 \"-\" \"" + agent + "\"");
  }
  CrawlerCatalogue catalogue = catalogueOf(builtInCatalogueText());
  catalogue.addAgentRules();
  TempFolder folder;
  EXPECT_EQ(countCrawlers(folder.write("browsers.log", log), catalogue),
            (std::map<std::string, Count>{}));
}

TEST(CrawlerCatalogueTest, BadLinesAreErrorsWithTheirPhysicalLineNumber) {
  const struct {
    std::string text;
    std::size_t line;
    std::string problem;
  } cases[] = {
      {"# comment\n\nA\tsearch\n", 3, "fewer than two tabs"},
      {"A\tsearch\tx\ty\n", 1, "unknown fourth column 'y'"},
      {"A\tsearch\tx\tnocase\r\nB\tseo\tx\tNOCASE\n", 2, "unknown fourth column 'NOCASE'"},
      {"A\tsearch\tx\t\n", 1, "unknown fourth column ''"},
      {"A\tsearch\tx\tnocase\tz\n", 1, "a fourth tab"},
      {"A\tsearch\tok\r\nB\tweb\tx\n", 2,
       "unknown category 'web' (search, ai, seo, social, monitor, archive, tool, scanner or "
       "other)"},
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

// A nocase text matches in any letter case, one without the column only exactly; only ASCII letters
// fold: a two-byte character (0x81 0x41 is one) matches only itself, and a match still starts a
// character. Each case is counted with and without cutting the log into small chunks.
TEST(CrawlerCatalogueTest, LetterCaseFollowsTheFourthColumn) {
  const struct {
    const char* catalogue;
    std::vector<std::pair<std::string, const char*>> agents;  // and the crawler, "" for none
  } cases[] = {
      {"Any\tsearch\tgooglebot\tnocase\n",
       {{"GoogleBot/2.1", "Any"}, {"googlebot", "Any"}, {"GOOGLEBOT", "Any"}, {"googlebo", ""}}},
      {"Exact\tsearch\tGooglebot\n",
       {{"GoogleBot/2.1", ""}, {"googlebot", ""}, {"Googlebot/2.1", "Exact"}}},
      {"Any\tother\t\xE4\xB8\x84x\tnocase\n",  // 0x81 0x41 then x
       {{"\x81\x41X", "Any"}, {"\x81\x61x", ""}, {"\x81\x61X", ""}, {"\x81\x41x", "Any"}}},
      {"Any\tother\tabot\tnocase\n",  // 0xB0 0x41 is one character, 0xB0 0xA1 another
       {{"\xB0"
         "Abot",
         ""},
        {"\xB0\xA1"
         "ABOT",
         "Any"}}},
      {"Img\tsearch\tGooglebot-Image\nAny\tsearch\tgooglebot\tnocase\n",
       {{"Googlebot-Image/1.0", "Img"}, {"GOOGLEBOT-IMAGE", "Any"}, {"Googlebot", "Any"}}},
      {"Any\tsearch\tGooglebot-IMAGE\tnocase\nX\tother\tMy-bot-x\nHeld\tother\tbot-x\tnocase\n",
       {{"googlebot-image", "Any"}, {"My-BOT-X", "Held"}, {"My-bot-x", "X"}}},
  };
  TempFolder folder;
  for (const auto& c : cases) {
    std::string log;
    std::map<std::string, Count> expected;
    for (const auto& [agent, crawler] : c.agents) {
      log += logLine(8, "\"" + agent + "\"");
      if (*crawler != '\0') ++expected[crawler];
    }
    const std::string path = folder.write("case.log", log);
    const CrawlerCatalogue catalogue = catalogueOf(c.catalogue);
    EXPECT_EQ(countCrawlers(path, catalogue), expected) << c.catalogue;
    RunOptions cut;
    cut.chunkBytes = 5;
    EXPECT_EQ(countCrawlers(path, catalogue, cut), expected) << c.catalogue << " in chunks";
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
                   logLine(5, "\"Yahoo! Slurp\xD6\xD0msnbot\"") + logLine(6, "\"-\"") +
                   logLine(7, "\"googlebot MSNBOT yahoo! slurp\""));
  RunOptions plain;
  plain.chunkBytes = 16;
  const RunResult without = runStatistics(std::vector<std::string>{log}, plain);
  for (const char* catalogue :
       {"", "Other\tother\tzzz\n", "Held\tseo\tspider\n", "Letter\tother\to\n",
        "Any\tother\tgooglebot\tnocase\nAny\tother\tSLURP\tnocase\n"}) {
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
