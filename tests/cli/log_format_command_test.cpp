// crawlmeter-report on logs of every format: the options that choose and read formats, and the
// notice of lines no request could be read from.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "command_runner.h"
#include "day_log.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using crawlmeter::testing::accessLine;
using crawlmeter::testing::Outcome;
using crawlmeter::testing::runCommand;
using crawlmeter::testing::TempFolder;

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

}  // namespace
}  // namespace crawlmeter
