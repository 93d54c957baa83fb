// crawlmeter-report on logs of every format: the options that choose and read formats, and the
// notice of lines no request could be read from.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "command_runner.h"
#include "day_log.h"
#include "request_logs.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using crawlmeter::testing::accessLine;
using crawlmeter::testing::Outcome;
using crawlmeter::testing::runCommand;
using crawlmeter::testing::TempFolder;
using nlohmann::json;

std::string repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

TEST(LogFormatCommandTest, LinesNotUnderstoodAreToldPastOnePercentAndCountedInJson) {
  const std::string good = accessLine("17/Mar/2026", 10, "Googlebot");
  const struct {
    std::string log;
    std::string notice;  // on standard error; empty for none
    int lines, skipped;
  } cases[] = {
      {repeated(good, 3) + "garbage\n", "day.log: 1 lines not understood (of 4 lines)\n", 4, 1},
      {repeated(good, 99) + "no-space-here\n\n\n", "", 100, 1},
      {repeated(good, 99) + "x\ny\n", "day.log: 2 lines not understood (of 101 lines)\n", 101, 2},
      {repeated("\n", 3) + repeated(good, 2), "", 2, 0},
      {repeated("junk\n", 1234), "day.log: 1,234 lines not understood (of 1,234 lines)\n", 1234,
       1234},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    const std::string path = folder.write("day.log", c.log);
    const Outcome text = runCommand(folder, {"--no-progress", path});
    EXPECT_EQ(text.status, 0) << text.err;
    const std::string expected =
        c.notice.empty() ? "" : path + c.notice.substr(std::string("day.log").size());
    EXPECT_EQ(text.err, expected);
    const Outcome json = runCommand(folder, {"--no-progress", "--format", "json", path});
    const nlohmann::json document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document["files"][0]["lines"], c.lines);
    EXPECT_EQ(document["files"][0]["lines_skipped"], c.skipped);
  }
}

TEST(LogFormatCommandTest, AFormatOrZoneThatCannotBeReadIsAUsageError) {
  TempFolder folder;
  const std::string log = folder.write("a.log", accessLine("17/Mar/2026", 10, "Googlebot"));
  const struct {
    std::vector<std::string> options;
    std::string says;
  } cases[] = {
      {{"--log-format", "w3"}, "unknown log format 'w3'"},
      {{"--log-format", "$remote_addr - [$request]"}, "no time"},
      {{"--log-format", "%t \"%r\""}, "no client address"},
      {{"--json-keys", "time=ts"}, "address"},
      {{"--json-keys", "address=ip,when=ts"}, "when"},
      {{"--time-zone", "Mars/Olympus"}, "Mars/Olympus"},
      {{"--time-zone", "+25:00"}, "+25:00"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = c.options;
    arguments.push_back(log);
    const Outcome outcome = runCommand(folder, arguments);
    EXPECT_EQ(outcome.status, 2) << c.options[1];
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    EXPECT_TRUE(outcome.out.empty());
  }
}

json kindsOf(const Outcome& outcome) { return json::parse(outcome.out)["kinds"]; }

// One run over the same requests in three formats: every file counts alike and has the same date
// label; in another zone every kind's hours turn by its offset; and no log is rewritten.
TEST(LogFormatCommandTest, MixedFormatsLineUpAndTurnTogetherIntoAnotherZone) {
  using namespace crawlmeter::testing;
  const std::vector<Request> requests = generatedRequests(1500, 3);
  TempFolder folder;
  const std::vector<std::string> logs = {folder.write("combined.log", renderCombined(requests)),
                                         folder.write("u_ex.log", renderIis(requests)),
                                         folder.write("caddy.log", renderCaddy(requests))};
  std::vector<std::string> arguments = {"--no-progress", "--kind", "all",
                                        "--format",      "json",   "--rewrite-line-ends"};
  arguments.insert(arguments.end(), logs.begin(), logs.end());
  const Outcome asWritten = runCommand(folder, arguments);
  ASSERT_EQ(asWritten.status, 0) << asWritten.err;
  arguments.insert(arguments.begin(), {"--time-zone", "+0800"});
  const Outcome shifted = runCommand(folder, arguments);
  ASSERT_EQ(shifted.status, 0) << shifted.err;
  for (const Outcome* outcome : {&asWritten, &shifted}) {
    const json files = json::parse(outcome->out)["files"];
    for (const json& file : files) EXPECT_EQ(file["date"], "17/Mar/2026");
  }
  for (const json& kind : kindsOf(asWritten)) {
    for (std::size_t file = 1; file < logs.size(); ++file)
      EXPECT_EQ(kind["hours"][file], kind["hours"][0]) << kind["kind"] << " " << file;
  }
  const json before = kindsOf(asWritten), after = kindsOf(shifted);
  for (std::size_t kind = 0; kind < before.size(); ++kind) {
    for (std::size_t file = 0; file < logs.size(); ++file) {
      for (int hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(after[kind]["hours"][file][(hour + 8) % 24], before[kind]["hours"][file][hour])
            << before[kind]["kind"] << " " << file << " " << hour;
      }
    }
  }
  EXPECT_EQ(testing::readFile(logs[1]), renderIis(requests));
  EXPECT_EQ(testing::readFile(logs[2]), renderCaddy(requests));
}

}  // namespace
}  // namespace crawlmeter
