// The result text: exact bytes of the layout.
#include "run/report.h"

#include <gtest/gtest.h>

namespace crawlmeter {
namespace {

std::string linesOf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Two files, page views: totals 1234 and 56; hour 0: 12 and 0, hour 1: 7 and 3, hour 23: 45 and 2.
TEST(ReportTest, WritesTheWorkedExampleByteForByte) {
  StatisticsTables tables(2);
  tables.dateLabels = {"05/Aug/2009", "06/Aug/2009"};
  CountTable& pv = tables.counts(StatCategory::Pv);
  pv.at(0, 0) = 12, pv.at(0, 1) = 7, pv.at(0, 23) = 45, pv.at(0, 12) = 1234 - 12 - 7 - 45;
  pv.at(1, 0) = 0, pv.at(1, 1) = 3, pv.at(1, 23) = 2, pv.at(1, 5) = 56 - 3 - 2;
  pv.at(0, 24) = 999;  // slot 24 is printed nowhere and counted in no total
  std::vector<std::string> lines = {"正在统计PV次数...",
                                    "",
                                    "日期          05/Aug/2009  06/Aug/2009",
                                    "",
                                    "共计            1234           56",
                                    ""};
  for (int hour = 0; hour < 24; ++hour) {
    std::string row = std::to_string(hour) + ":00-" + std::to_string(hour + 1) + ":00";
    row += std::string(17 - row.size(), ' ') + std::to_string(pv.at(0, hour));
    row += std::string(30 - row.size(), ' ') + std::to_string(pv.at(1, hour));
    lines.push_back(row);
    lines.push_back("");
  }
  EXPECT_EQ(lines[6], "0:00-1:00        12           0");
  EXPECT_EQ(lines[8], "1:00-2:00        7            3");
  EXPECT_EQ(lines[52], "23:00-24:00      45           2");
  EXPECT_EQ(reportText(tables, StatCategory::Pv), linesOf(lines));
}

TEST(ReportTest, FirstTotalIsCentredWithHalvesToEvenAndLaterOnesRightAligned) {
  const std::vector<std::pair<Count, int>> blanksBefore = {
      {0, 6}, {1, 6}, {12, 6}, {123, 5}, {1234, 4}, {12345, 4}, {123456, 4}, {12345678, 2}};
  for (const auto& [total, blanks] : blanksBefore) {
    StatisticsTables tables(2);
    tables.counts(StatCategory::Ip).at(0, 7) = total;
    tables.counts(StatCategory::Ip).at(1, 7) = total;
    const std::string text = reportText(tables, StatCategory::Ip, "\n");
    const std::string digits = std::to_string(total);
    const std::string expected = "共计        " + std::string(blanks, ' ') + digits +
                                 std::string(13 - digits.size(), ' ') + digits + "\n";
    EXPECT_NE(text.find("\n" + expected), std::string::npos) << total;
  }
}

TEST(ReportTest, WideCountsArePrintedInFullAndLaterColumnsStayInPlace) {
  StatisticsTables tables(2);
  tables.counts(StatCategory::Google).at(0, 9) = 9876543210LL;
  tables.counts(StatCategory::Google).at(1, 9) = 4;
  const std::string text = reportText(tables, StatCategory::Google, "\n");
  EXPECT_NE(text.find("\n9:00-10:00       9876543210   4\n"), std::string::npos);
  EXPECT_NE(text.find("\n共计          9876543210            4\n"), std::string::npos);
}

TEST(ReportTest, OneFileWithNothingCountedShowsZeros) {
  StatisticsTables tables(1);
  tables.dateLabels[0] = "";
  const std::string text = reportText(tables, StatCategory::Baidu);
  EXPECT_EQ(text.substr(0, text.find("0:00-1:00")),
            "正在统计百度蜘蛛次数...\r\n\r\n日期          \r\n\r\n共计              0\r\n\r\n");
  EXPECT_TRUE(text.ends_with("\r\n\r\n23:00-24:00      0\r\n\r\n"));
}

TEST(ReportTest, EveryKindHasItsProgressLine) {
  const std::vector<std::pair<StatCategory, std::string>> lines = {
      {StatCategory::Pv, "正在统计PV次数..."},
      {StatCategory::Ip, "正在统计IP次数..."},
      {StatCategory::Sogou, "正在统计搜狗蜘蛛次数..."},
      {StatCategory::Bing, "正在统计Bing蜘蛛次数..."},
      {StatCategory::Baidu, "正在统计百度蜘蛛次数..."},
      {StatCategory::Youdao, "正在统计有道蜘蛛次数..."},
      {StatCategory::Yahoo, "正在统计雅虎蜘蛛次数..."},
      {StatCategory::Google, "正在统计谷歌蜘蛛次数..."}};
  StatisticsTables tables(1);
  tables.counts(StatCategory::Yahoo).at(0, 2) = 5;
  for (const auto& [kind, line] : lines) {
    const std::string text = reportText(tables, kind);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), line);
    EXPECT_EQ(text.find("2:00-3:00        5") != std::string::npos, kind == StatCategory::Yahoo);
  }
}

TEST(ReportTest, SpaceStringGivesBlanksOrNothing) {
  EXPECT_EQ(SpaceString(3), "   ");
  EXPECT_EQ(SpaceString(0), "");
  EXPECT_EQ(SpaceString(-4), "");
}

}  // namespace
}  // namespace crawlmeter
