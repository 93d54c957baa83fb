// Argument parsing of crawlmeter-report.
#include "command_line.h"

#include <gtest/gtest.h>

#include "base/chinese_wording.h"

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

TEST(CommandLineTest, MemoryLimitsAreSizesInBinaryUnits) {
  const struct {
    const char* text;
    std::uint64_t bytes;  // 0: refused
  } kSizes[] = {{"4096", 4096},
                {"512K", 512 << 10},
                {"3m", 3 << 20},
                {"2GiB", 2ULL << 30},
                {"1TB", 1ULL << 40},
                {"0", 0},
                {"12Q", 0},
                {"-5", 0},
                {"", 0},
                {"M", 0},
                {"99999999999T", 0},
                {"18446744073709551616", 0}};
  for (const auto& size : kSizes) {
    Message error;
    const auto line = parseCommandLine({"--memory-limit", size.text, "a.log"}, &error);
    EXPECT_EQ(line ? line->memoryLimit : 0, size.bytes) << size.text;
    if (!line) {
      EXPECT_NE(error.text(Wording()).find("--memory-limit"), std::string::npos);
    }
  }
}

// The help and the unknown-kind message list the kinds in words: a kind added to the table must be
// added there too, in both languages.
TEST(CommandLineTest, TheHelpAndTheUnknownKindMessageNameEveryKind) {
  Message error;
  EXPECT_FALSE(parseCommandLine({"--kind", "none", "a.log"}, &error));
  const Wording english;
  const ChineseWording chinese;
  for (const Wording* wording : {&english, static_cast<const Wording*>(&chinese)}) {
    const std::string help(wording->text(kUsage));
    const std::string unknown = error.text(*wording);
    for (const KindRow& row : kKindTable) {
      EXPECT_NE(help.find(row.name), std::string::npos) << row.name;
      EXPECT_NE(unknown.find(row.name), std::string::npos) << row.name;
    }
  }
}

}  // namespace
}  // namespace crawlmeter
