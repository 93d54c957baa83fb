// The crawler reports: the hour table reused for one crawler, and the crawler table, whose
// columns are padded to the widest entry so that every row lines up in a fixed-width font.
#include "run/crawler_report.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "run/verification_report.h"

namespace crawlmeter {
namespace {

constexpr std::string_view kTableHeading = "正在统计各蜘蛛次数...";
constexpr std::string_view kCrawlerHeader = "蜘蛛";
constexpr std::string_view kCategoryHeader = "类别";
constexpr std::string_view kTotalHeader = "共计";
constexpr std::string_view kCategoryTotalLabel = "类别合计";
constexpr std::string_view kAllCrawlersLabel = "全部蜘蛛";
constexpr std::size_t kCountColumnWidth = 13;  // as in the hour report
constexpr std::size_t kColumnGap = 2;

// text, then blanks up to width columns.
std::string padRight(std::string_view text, std::size_t width) {
  const std::size_t used = displayWidth(text);
  return std::string(text) + std::string(used < width ? width - used : 0, ' ');
}

// Blanks, then text, ending at width columns; at least one blank before text.
std::string padLeft(std::string_view text, std::size_t width) {
  const std::size_t used = displayWidth(text);
  return std::string(used < width ? width - used : 1, ' ') + std::string(text);
}

struct TableLayout {
  std::size_t nameWidth = 0;
  std::size_t categoryWidth = 0;
};

std::string row(const TableLayout& layout, std::string_view name, std::string_view category,
                const std::vector<std::string>& cells) {
  std::string text = padRight(name, layout.nameWidth) + padRight(category, layout.categoryWidth);
  for (const std::string& cell : cells) text += padLeft(cell, kCountColumnWidth);
  return text;
}

std::vector<std::string> numbers(const std::vector<Count>& counts) {
  std::vector<std::string> cells;
  for (Count count : counts) cells.push_back(std::to_string(count));
  return cells;
}

TableLayout layoutFor(const CrawlerCatalogue& catalogue, const std::vector<std::size_t>& shown) {
  TableLayout layout;
  layout.nameWidth = std::max({displayWidth(kCrawlerHeader), displayWidth(kCategoryTotalLabel),
                               displayWidth(kAllCrawlersLabel)});
  for (std::size_t crawler : shown) {
    layout.nameWidth = std::max(layout.nameWidth, displayWidth(catalogue.crawlers()[crawler].name));
  }
  layout.nameWidth += kColumnGap;
  layout.categoryWidth = displayWidth(kCategoryHeader);
  for (std::size_t crawler : shown) {
    const std::string_view label = categoryRow(catalogue.crawlers()[crawler].category).label;
    layout.categoryWidth = std::max(layout.categoryWidth, displayWidth(label));
  }
  layout.categoryWidth += kColumnGap;
  return layout;
}

}  // namespace

std::vector<Count> crawlerVisits(const StatisticsTables& tables,
                                 const std::vector<std::size_t>& crawlers) {
  std::vector<Count> counts(tables.fileCount() + 1, 0);
  for (std::size_t crawler : crawlers) {
    for (std::size_t file = 0; file < tables.fileCount(); ++file) {
      counts[file] += tables.crawlerCounts[crawler].total(file);
    }
  }
  counts.back() = std::accumulate(counts.begin(), counts.end() - 1, Count{0});
  return counts;
}

// Stable, so that ties keep catalogue order.
std::vector<std::size_t> crawlersByVisits(const StatisticsTables& tables) {
  std::vector<std::pair<Count, std::size_t>> seen;
  for (std::size_t crawler = 0; crawler < tables.crawlerCounts.size(); ++crawler) {
    const Count total = crawlerVisits(tables, {crawler}).back();
    if (total > 0) seen.emplace_back(total, crawler);
  }
  std::stable_sort(seen.begin(), seen.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::size_t> order;
  for (const auto& [total, crawler] : seen) order.push_back(crawler);
  return order;
}

std::vector<std::size_t> crawlersOf(const CrawlerCatalogue& catalogue,
                                    const std::vector<std::size_t>& crawlers,
                                    CrawlerCategory category) {
  std::vector<std::size_t> members;
  for (std::size_t crawler : crawlers) {
    if (catalogue.crawlers()[crawler].category == category) members.push_back(crawler);
  }
  return members;
}

std::size_t displayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (unsigned char byte : utf8) {
    if (byte < 0x80)
      ++width;
    else if (byte >= 0xC0)
      width += 2;  // a character's first byte; its others add nothing
  }
  return width;
}

std::string crawlerReportText(const StatisticsTables& tables, const CrawlerCatalogue& catalogue,
                              std::size_t crawler, std::string_view lineEnd,
                              const ClaimVerification* verification) {
  const std::string heading = "正在统计" + catalogue.crawlers()[crawler].name + "蜘蛛次数...";
  std::string text = hourTableText(heading, tables, tables.crawlerCounts[crawler], lineEnd);
  if (verification) text += crawlerVerificationText(*verification, crawler, lineEnd);
  return text;
}

std::string peopleReportText(const StatisticsTables& tables, std::string_view lineEnd) {
  return hourTableText("正在统计真人访问次数...", tables, tables.people, lineEnd);
}

std::string crawlerTableText(const StatisticsTables& tables, const CrawlerCatalogue& catalogue,
                             std::string_view lineEnd, const ClaimVerification* verification) {
  const std::vector<std::size_t> shown = crawlersByVisits(tables);
  const TableLayout layout = layoutFor(catalogue, shown);
  // A row's cells: the crawlers' visits per file and in all, and how many were verified.
  const auto cells = [&](const std::vector<std::size_t>& crawlers) {
    std::vector<std::string> counts = numbers(crawlerVisits(tables, crawlers));
    if (!verification) return counts;
    for (std::string& cell : verificationCells(*verification, crawlers)) counts.push_back(cell);
    return counts;
  };
  std::vector<std::string> header = tables.dateLabels;
  header.emplace_back(kTotalHeader);
  if (verification) {
    for (std::string& heading : verificationHeadings()) header.push_back(heading);
  }
  std::vector<std::string> rows{row(layout, kCrawlerHeader, kCategoryHeader, header)};
  for (std::size_t crawler : shown) {
    const Crawler& entry = catalogue.crawlers()[crawler];
    rows.push_back(row(layout, entry.name, categoryRow(entry.category).label, cells({crawler})));
  }
  for (const CategoryRow& category : kCategories) {
    const std::vector<std::size_t> members = crawlersOf(catalogue, shown, category.category);
    if (members.empty()) continue;  // shown crawlers all have visits
    rows.push_back(row(layout, kCategoryTotalLabel, category.label, cells(members)));
  }
  rows.push_back(row(layout, kAllCrawlersLabel, "", cells(shown)));
  if (verification) rows.push_back(verificationBasis(*verification));
  const std::string paragraphEnd = std::string(lineEnd) + std::string(lineEnd);
  std::string text = std::string(kTableHeading) + paragraphEnd;
  for (const std::string& line : rows) text += line + paragraphEnd;
  return text;
}

}  // namespace crawlmeter
