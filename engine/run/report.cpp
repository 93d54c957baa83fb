// The report writer: builds the whole result text in memory, one row at a time.
#include "run/report.h"

namespace crawlmeter {
namespace {

constexpr std::string_view kHeaderLabel = "日期        ";
constexpr std::string_view kTotalLabel = "共计        ";
constexpr std::string_view kHeaderCellPrefix = "  ";
constexpr long long kColumnWidth = 13;
constexpr long long kFirstCountColumn = 17;

// In the order of StatCategory: Pv, Ip, Sogou, Bing, Baidu, Youdao, Yahoo, Google.
constexpr std::array<std::string_view, kStatCategoryCount> kProgressLines = {
    "正在统计PV次数...",       "正在统计IP次数...",       "正在统计搜狗蜘蛛次数...",
    "正在统计Bing蜘蛛次数...", "正在统计百度蜘蛛次数...", "正在统计有道蜘蛛次数...",
    "正在统计雅虎蜘蛛次数...", "正在统计谷歌蜘蛛次数..."};

// The crawler kinds in the order of Option4..Option9.
constexpr std::array<StatCategory, 6> kCrawlerOptionKinds = {
    StatCategory::Sogou,  StatCategory::Bing,  StatCategory::Baidu,
    StatCategory::Youdao, StatCategory::Yahoo, StatCategory::Google};

// Half of blanks, rounded to the nearest whole number with a half going to the even neighbour.
long long halfToEven(long long blanks) {
  const long long lower = blanks >= 0 ? blanks / 2 : -((-blanks + 1) / 2);
  if (blanks % 2 == 0) return lower;
  return lower % 2 == 0 ? lower : lower + 1;
}

std::string totalRow(const CountTable& table) {
  std::string row(kTotalLabel);
  for (std::size_t file = 1; file <= table.lastFile(); ++file) {
    const std::string digits = std::to_string(table.total(file));
    const long long blanks = kColumnWidth - static_cast<long long>(digits.size());
    row += SpaceString(file == 1 ? halfToEven(blanks) : blanks);
    row += digits;
  }
  return row;
}

std::string hourRow(const CountTable& table, int hour) {
  std::string row = std::to_string(hour) + ":00-" + std::to_string(hour + 1) + ":00";
  for (std::size_t file = 1; file <= table.lastFile(); ++file) {
    const long long start = kColumnWidth * static_cast<long long>(file - 1) + kFirstCountColumn;
    row += SpaceString(start - static_cast<long long>(row.size()));
    row += std::to_string(table.at(file, hour));
  }
  return row;
}

}  // namespace

std::string SpaceString(long long count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), ' ') : std::string();
}

std::string_view progressLine(StatCategory kind) {
  return kProgressLines[static_cast<std::size_t>(kind)];
}

std::optional<StatCategory> chosenKind(const std::array<bool, 9>& options) {
  if (options[0]) return StatCategory::Pv;
  if (options[1]) return StatCategory::Ip;
  if (!options[2]) return std::nullopt;
  for (std::size_t crawler = 0; crawler < kCrawlerOptionKinds.size(); ++crawler) {
    if (options[3 + crawler]) return kCrawlerOptionKinds[crawler];
  }
  return std::nullopt;
}

std::string reportText(const StatisticsTables& tables, StatCategory kind,
                       std::string_view lineEnd) {
  return hourTableText(progressLine(kind), tables, tables.counts(kind), lineEnd);
}

std::string hourTableText(std::string_view heading, const StatisticsTables& tables,
                          const CountTable& table, std::string_view lineEnd) {
  const std::string paragraphEnd = std::string(lineEnd) + std::string(lineEnd);
  std::string text(heading);
  text += paragraphEnd;
  text += kHeaderLabel;
  for (std::size_t file = 1; file <= tables.lastFile(); ++file) {
    text += kHeaderCellPrefix;
    text += tables.LogDates[file];
  }
  text += paragraphEnd + totalRow(table) + paragraphEnd;
  for (int hour = 0; hour < kReportedHours; ++hour) text += hourRow(table, hour) + paragraphEnd;
  return text;
}

}  // namespace crawlmeter
