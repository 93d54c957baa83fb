// Argument parsing of crawlmeter-report.
#include "command_line.h"

#include <gtest/gtest.h>

namespace crawlmeter {
namespace {

TEST(CommandLineTest, ReadsKindOutputRewriteAndFilesInAnyOrder) {
  Message error;
  const auto line = parseCommandLine(
      {"a.log", "--kind=yahoo", "--output", "r.txt", "--rewrite-line-ends", "b.log"}, &error);
  ASSERT_TRUE(line) << error.text(Wording());
  EXPECT_EQ(line->kind, StatCategory::Yahoo);
  EXPECT_EQ(line->output, "r.txt");
  EXPECT_TRUE(line->rewriteLineEnds);
  EXPECT_EQ(line->files, (std::vector<std::string>{"a.log", "b.log"}));
}

TEST(CommandLineTest, DoubleDashEndsOptionsAndALoneDashIsAFile) {
  Message error;
  const auto line = parseCommandLine({"--", "--kind", "-"}, &error);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->files, (std::vector<std::string>{"--kind", "-"}));
  EXPECT_EQ(line->kind, StatCategory::Pv);
}

TEST(CommandLineTest, RejectsWhatItDoesNotKnow) {
  Message error;
  EXPECT_FALSE(parseCommandLine({"--kind", "Baidu", "a.log"}, &error));
  EXPECT_NE(error.text(Wording()).find("Baidu"), std::string::npos);
  EXPECT_FALSE(parseCommandLine({"--rewrite-line-ends=yes", "a.log"}, &error));
  EXPECT_FALSE(parseCommandLine({"--output=", "a.log"}, &error));
  EXPECT_FALSE(parseCommandLine({"--kind"}, &error));
  EXPECT_FALSE(parseCommandLine({}, &error));
  EXPECT_TRUE(parseCommandLine({"--version"}, &error));
}

}  // namespace
}  // namespace crawlmeter
