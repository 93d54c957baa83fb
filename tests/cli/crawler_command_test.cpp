// crawlmeter-report's crawler catalogue as a user runs it: --kind bot:NAME and bots, the list,
// user catalogue files and their errors.
#include <gtest/gtest.h>
#include <filesystem>

#include "command_runner.h"
#include "run/export_file.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::Outcome;
using testing::readFile;
using testing::runCommand;
using testing::TempFolder;

std::string line(const std::string& hour, const std::string& agent) {
  return "10.0.0.1 - - [25/Aug/2009:" + hour + ":00:00 +0800] \"GET / HTTP/1.1\" 200 5 \"-\" \"" +
         agent + "\"\n";
}

const std::string kGptBot =
    "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; "
    "+https://openai.com/gptbot)";
const std::string kAhrefs = "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)";

TEST(CrawlerCommandTest, ReportsOneCrawlerOrTheTableOfAll) {
  TempFolder folder;
  const std::string day1 = folder.write("1.log", line("09", kGptBot) + line("09", kGptBot) +
                                                     line("10", kAhrefs) + line("24", kGptBot));
  const std::string day2 = folder.write("2.log", line("23", kAhrefs));
  const Outcome one = runCommand(folder, {"--kind", "bot:gptbot", day1, day2});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out.substr(0, one.out.find("\n\n0:00")),
            "正在统计GPTBot蜘蛛次数...\n\n日期          25/Aug/2009  25/Aug/2009\n\n"
            "共计              2            0");
  EXPECT_NE(one.out.find("\n9:00-10:00       2            0\n"), std::string::npos);

  const std::string exportPath = folder.pathOf("bots.txt");
  const Outcome table = runCommand(folder, {"--kind=bots", "--output", exportPath, day1, day2});
  ASSERT_EQ(table.status, 0) << table.err;
  // Most visits first, ties in catalogue order; the slot of hour 24 is in no total; categories
  // by their names, those without a visit left out.
  const std::string expected =
      "正在统计各蜘蛛次数...\n\n"
      "蜘蛛       类别        25/Aug/2009  25/Aug/2009         共计\n\n"
      "GPTBot     人工智能              2            0            2\n\n"
      "AhrefsBot  SEO 工具              1            1            2\n\n"
      "类别合计   人工智能              2            0            2\n\n"
      "类别合计   SEO 工具              1            1            2\n\n"
      "全部蜘蛛                         3            1            4\n\n";
  EXPECT_EQ(table.out, expected);
  EXPECT_EQ(readFile(exportPath), *exportFileBytes(table.out));
}

TEST(CrawlerCommandTest, UserCataloguesComeFirstAndAreListedWithTheirSource) {
  TempFolder folder;
  std::filesystem::create_directories(folder.pathOf("config/crawlmeter"));
  const std::string mine = folder.write("mine.tsv", "# mine\nMyBot\tother\tGPTBot/1.2\n");
  folder.write("config/crawlmeter/crawlers.tsv", "Watch\tmonitor\tAhrefsBot\tnocase\n");
  const Outcome list =
      runCommand(folder, {"--crawlers", mine, "--no-builtin-crawlers", "--list-crawlers"});
  ASSERT_EQ(list.status, 0) << list.err;
  // Then how each is verified, and the operators' ranges files after them.
  EXPECT_EQ(list.out.substr(0, list.out.find("# ranges\t")),
            "MyBot\tother\tGPTBot/1.2\texact\t" + mine +
                ":2\t-\nWatch\tmonitor\tAhrefsBot\tnocase\t" +
                folder.pathOf("config/crawlmeter/crawlers.tsv") + ":1\t-\n");
  const Outcome builtIn = runCommand(folder, {"--list-crawlers"});
  EXPECT_NE(builtIn.out.find("\nGPTBot\tai\tGPTBot\texact\tbuilt-in\tranges\n"), std::string::npos);

  const std::string log = folder.write("l.log", line("09", kGptBot));
  const Outcome counted = runCommand(folder, {"--crawlers=" + mine, "--kind", "bot:MyBot", log});
  EXPECT_NE(counted.out.find("\n9:00-10:00       1\n"), std::string::npos) << counted.err;
}

TEST(CrawlerCommandTest, UnknownCrawlersAndBadCataloguesAreUsageErrors) {
  TempFolder folder;
  const std::string log = folder.write("l.log", line("09", kGptBot));
  const Outcome unknown = runCommand(folder, {"--kind", "bot:GPTbott", log});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("no crawler named 'GPTbott' in the catalogue; did you mean GPTBot"),
            std::string::npos)
      << unknown.err;
  const std::string bad = folder.write("bad.tsv", "# ok\nX\tweb\ttext\n");
  const Outcome badFile = runCommand(folder, {"--crawlers", bad, "--kind", "bots", log});
  EXPECT_EQ(badFile.status, 2);
  EXPECT_NE(badFile.err.find(bad + ":2: unknown category 'web'"), std::string::npos) << badFile.err;
  EXPECT_EQ(badFile.out, "");
  const Outcome missing = runCommand(folder, {"--crawlers", folder.pathOf("none.tsv"), log});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find(systemErrorText(2)), std::string::npos) << missing.err;  // ENOENT
}

}  // namespace
}  // namespace crawlmeter
