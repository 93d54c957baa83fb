// crawlmeter-report's machine-readable results: CSV and JSON read back and compared with the
// numbers of the text reports of the same logs, and the options that choose them.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <tuple>

#include "base/kinds.h"
#include "command_runner.h"
#include "compress.h"
#include "day_log.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using crawlmeter::testing::accessLine;
using crawlmeter::testing::compress;
using crawlmeter::testing::Outcome;
using crawlmeter::testing::readFile;
using crawlmeter::testing::runCommand;
using crawlmeter::testing::TempFolder;

// kind ("pv" ... "bot:NAME"), file (1..N), hour -> count
using Counts = std::map<std::tuple<std::string, int, int>, long long>;

// The hour rows of the eight text reports and of people's, printed one after the other by --kind
// all, and the crawler table's rows (their totals per file, under hour -1).
Counts textCounts(const std::string& text) {
  Counts counts;
  std::istringstream lines(text);
  const std::regex hourRow(R"(^(\d+):00-\d+:00((?:\s+\d+)+)$)");
  const std::regex crawlerRow(
      R"(^(\S+)\s+(搜索引擎|人工智能|SEO 工具|社交媒体|监控|网页存档|工具与程序|扫描器|其他)((?:\s+\d+)+)$)");
  int report = -1;
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (line.starts_with("正在统计")) ++report;
    const bool isHour = report <= 8 && std::regex_match(line, match, hourRow);
    if (!isHour && (!std::regex_match(line, match, crawlerRow) || line.starts_with("类别合计"))) {
      continue;
    }
    const std::string kind = !isHour      ? "bot:" + match[1].str()
                             : report < 8 ? std::string(kKindTable[report].name)
                                          : "humans";
    std::istringstream numbers(match[isHour ? 2 : 3].str());
    int file = 1;
    for (long long n; numbers >> n; ++file)
      counts[{kind, file, isHour ? std::stoi(match[1]) : -1}] = n;
    if (!isHour) counts.erase({kind, file - 1, -1});  // the last column is the total
  }
  return counts;
}

// RFC 4180 records.
std::vector<std::vector<std::string>> csvRecords(const std::string& text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (quoted && c == '"' && at + 1 < text.size() && text[at + 1] == '"') {
      records.back().back() += c;
      ++at;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      records.back().emplace_back();
    } else if (!quoted && c == '\n') {
      records.emplace_back(1);
    } else {
      records.back().back() += c;
    }
  }
  records.pop_back();  // after the last line end
  return records;
}

std::string dayLog(const std::string& date, int seed) {
  const std::string text =
      testing::dayLog(date, seed, 200,
                      {"Mozilla/5.0 (compatible; Baiduspider/2.0)", "Googlebot/2.1",
                       "Mozilla/5.0 (compatible; GPTBot/1.2)",
                       "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0",
                       "Sogou web spider/4.0"});
  return text + accessLine(date, 24, "Baiduspider");  // counted, shown in no row
}

TEST(FormatCommandTest, CsvAndJsonHoldTheTextReportsNumbers) {
  TempFolder folder;
  // A path that must be quoted, a date label in code page 936 ("25/八月/2009"), a compressed log.
#if defined(_WIN32)
  const std::string firstName = "day,'1'.log";  // Windows allows no quote in a file name
#else
  const std::string firstName = "day,\"1\".log";
#endif
  const std::string first = folder.write(firstName, dayLog("25/\xB0\xCB\xD4\xC2/2009", 5));
  const std::string second =
      folder.write("2.log.gz", compress(Compression::kGzip, dayLog("26/Aug/2009", 7)));
  const Outcome text = runCommand(folder, {"--kind", "all", first, second});
  const Outcome csv = runCommand(folder, {"--kind=all", "--format=csv", first, second});
  const Outcome json = runCommand(folder, {"--kind=all", "--format=json", first, second});
  ASSERT_EQ(text.status + csv.status + json.status, 0) << text.err << csv.err << json.err;
  const Counts expected = textCounts(text.out);
  for (int file = 1; file <= 2; ++file) {  // every page view is a person's or a crawler's
    long long views = 0, people = 0, crawlers = 0;
    for (const auto& [key, count] : expected) {
      const auto& [kind, inFile, hour] = key;
      if (inFile != file) continue;
      views += kind == "pv" ? count : 0;
      people += kind == "humans" ? count : 0;
      crawlers += kind.starts_with("bot:") ? count : 0;
    }
    EXPECT_GT(people, 0);
    EXPECT_EQ(people + crawlers, views) << file;
  }

  const auto records = csvRecords(csv.out);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0], (std::vector<std::string>{"file", "date", "kind", "hour", "count"}));
  Counts fromCsv;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const auto& record = records[r];
    ASSERT_EQ(record.size(), 5u) << r;
    const int file = record[0] == first ? 1 : 2;
    EXPECT_EQ(record[1], file == 1 ? "25/八月/2009" : "26/Aug/2009");
    const bool crawler = record[2].starts_with("bot:");
    fromCsv[{record[2], file, crawler ? -1 : std::stoi(record[3])}] += std::stoll(record[4]);
  }
  EXPECT_EQ(fromCsv, expected);
  EXPECT_TRUE(fromCsv.contains({"bot:GPTBot", 2, -1}));

  const nlohmann::json document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["schema"], 1);
  EXPECT_EQ(document["files"][0]["path"], first);
  EXPECT_EQ(document["files"][0]["date"], "25/八月/2009");
  EXPECT_EQ(document["files"][1]["bytes_read"], readFile(second).size());
  EXPECT_GT(document["files"][1]["log_bytes"], document["files"][1]["bytes_read"]);
  Counts fromJson;
  for (const auto& kind : document["kinds"]) {
    for (int file = 1; file <= 2; ++file) {
      for (int hour = 0; hour < 24; ++hour)
        fromJson[{kind["kind"], file, hour}] = kind["hours"][file - 1][hour];
    }
  }
  for (const auto& crawler : document["crawlers"]) {
    EXPECT_EQ(crawler["kind"], "bot:" + crawler["name"].get<std::string>());
    for (int file = 1; file <= 2; ++file)
      fromJson[{crawler["kind"], file, -1}] = crawler["totals"][file - 1];
  }
  EXPECT_EQ(fromJson, expected);
}

TEST(FormatCommandTest, OutputGoesWhereAsked) {
  TempFolder folder;
  const std::string log = folder.write("1.log", dayLog("25/Aug/2009", 5));
  const std::string target = folder.pathOf("counts.csv");
  const Outcome toFile = runCommand(folder, {"--format", "csv", "--bom", "--output", target, log});
  ASSERT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(toFile.out, "");
  EXPECT_TRUE(
      readFile(target).starts_with("\xEF\xBB\xBF"
                                   "file,date,kind,hour,count\n"));
  const Outcome toStdout = runCommand(folder, {"--format", "csv", "--output", "-", log});
  EXPECT_EQ("\xEF\xBB\xBF" + toStdout.out, readFile(target));
  // Compressed standard input: its bytes read include those that told its format.
  const std::string packed = folder.write("1.log.gz", compress(Compression::kGzip, readFile(log)));
  const Outcome kindOnly =
      runCommand(folder, {"--format", "json", "--kind", "bot:GPTBot", "-"}, packed);
  const nlohmann::json document = nlohmann::json::parse(kindOnly.out);
  EXPECT_EQ(document["files"][0]["path"], "-");
  EXPECT_EQ(document["files"][0]["bytes_read"], readFile(packed).size());
  EXPECT_EQ(document["files"][0]["log_bytes"], readFile(log).size());
  EXPECT_TRUE(document["kinds"].empty());
  ASSERT_EQ(document["crawlers"].size(), 1u);
  EXPECT_EQ(document["crawlers"][0]["category"], "ai");
}

TEST(FormatCommandTest, WrongChoicesAreUsageErrors) {
  TempFolder folder;
  const std::string log = folder.write("1.log", dayLog("25/Aug/2009", 5));
  const std::vector<std::string> wrong[] = {
      {"--format", "xml", log},
      {"--bom", log},
      {"--format", "json", "--bom", log},
      {"--format", "csv", "--output", "-", "--html", "-", log},
      // The file the test's standard output goes to: standard output under another name.
      {"--output", folder.pathOf("stdout"), "--html", "-", log},
      {"--format", "json", "--html", "-", log},
      {"--output", folder.pathOf("same"), "--html", folder.pathOf("same"), log},
      {"--output", folder.pathOf("same"), "--html", folder.pathOf("./same"), log},
      {"--html", "", log},
      {"--output", folder.write("made", ""), "--html", folder.pathOf("./made"), log},
  };
  for (const auto& arguments : wrong) {
    const Outcome outcome = runCommand(folder, arguments);
    EXPECT_EQ(outcome.status, 2) << arguments[0] << ' ' << arguments[1];
    EXPECT_EQ(outcome.out, "");
  }
}

}  // namespace
}  // namespace crawlmeter
