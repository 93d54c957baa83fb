// The report writer: builds the whole result text in memory, one row at a time.
#include "run/report.h"

namespace crawlmeter {
namespace {

constexpr std::string_view kHeaderLabel = "日期        ";
constexpr std::string_view kTotalLabel = "共计        ";
constexpr std::string_view kHeaderCellPrefix = "  ";
constexpr long long kColumnWidth = 13;
constexpr long long kFirstCountColumn = 17;

// Half of blanks, rounded to the nearest whole number with a half going to the even neighbour.
long long halfToEven(long long blanks) {
  const long long lower = blanks >= 0 ? blanks / 2 : -((-blanks + 1) / 2);
  if (blanks % 2 == 0) return lower;
  return lower % 2 == 0 ? lower : lower + 1;
}

}  // namespace

std::string totalsRow(std::string_view label, const CountTable& table) {
  std::string row(label);
  for (std::size_t file = 0; file < table.fileCount(); ++file) {
    const std::string digits = std::to_string(table.total(file));
    const long long blanks = kColumnWidth - static_cast<long long>(digits.size());
    row += SpaceString(file == 0 ? halfToEven(blanks) : blanks);
    row += digits;
  }
  return row;
}

namespace {

std::string hourRow(const CountTable& table, int hour) {
  std::string row = std::to_string(hour) + ":00-" + std::to_string(hour + 1) + ":00";
  for (std::size_t file = 0; file < table.fileCount(); ++file) {
    const long long start = kColumnWidth * static_cast<long long>(file) + kFirstCountColumn;
    row += SpaceString(start - static_cast<long long>(row.size()));
    row += std::to_string(table.at(file, hour));
  }
  return row;
}

}  // namespace

std::string SpaceString(long long count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), ' ') : std::string();
}

std::string reportText(const StatisticsTables& tables, StatCategory kind,
                       std::string_view lineEnd) {
  return hourTableText(kindRow(kind).progressLine, tables, tables.counts(kind), lineEnd);
}

std::string hourTableText(std::string_view heading, const StatisticsTables& tables,
                          const CountTable& table, std::string_view lineEnd) {
  const std::string paragraphEnd = std::string(lineEnd) + std::string(lineEnd);
  std::string text(heading);
  text += paragraphEnd;
  text += kHeaderLabel;
  for (const std::string& label : tables.dateLabels) {
    text += kHeaderCellPrefix;
    text += label;
  }
  text += paragraphEnd + totalsRow(kTotalLabel, table) + paragraphEnd;
  for (int hour = 0; hour < kReportedHours; ++hour) text += hourRow(table, hour) + paragraphEnd;
  return text;
}

}  // namespace crawlmeter
