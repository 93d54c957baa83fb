// The series of a result, and the kinds' names.
#include "formats/result_series.h"

#include <algorithm>

namespace crawlmeter {
namespace {

constexpr std::array<std::string_view, kStatCategoryCount> kKindNames = {
    "pv", "ip", "sogou", "bing", "baidu", "youdao", "yahoo", "google"};

}  // namespace

std::string_view kindName(StatCategory kind) { return kKindNames[static_cast<std::size_t>(kind)]; }

std::optional<StatCategory> kindNamed(std::string_view name) {
  for (StatCategory kind : kKindOrder) {
    if (kindName(kind) == name) return kind;
  }
  return std::nullopt;
}

ResultSeries kindSeries(const StatisticsTables& tables, StatCategory kind) {
  return ResultSeries{std::string(kindName(kind)), &tables.counts(kind), std::nullopt};
}

ResultSeries crawlerSeries(const ResultSource& source, std::size_t crawler) {
  std::string kind(kCrawlerKindPrefix);
  kind += source.catalogue->crawlers()[crawler].name;
  return ResultSeries{std::move(kind), &source.tables.CrawlerCounts[crawler], crawler};
}

std::vector<ResultSeries> crawlerSeriesSeen(const ResultSource& source) {
  std::vector<ResultSeries> seen;
  for (std::size_t crawler = 0; crawler < source.tables.CrawlerCounts.size(); ++crawler) {
    const CountTable& counts = source.tables.CrawlerCounts[crawler];
    for (std::size_t file = 1; file <= source.tables.lastFile(); ++file) {
      if (counts.total(file) > 0) {
        seen.push_back(crawlerSeries(source, crawler));
        break;
      }
    }
  }
  return seen;
}

namespace {

std::string lastPart(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
}

}  // namespace

std::string dayName(const ResultSource& source, std::size_t file) {
  const std::vector<std::string>& labels = source.tables.LogDates;
  const std::string& label = labels[file];
  if (label.empty()) return lastPart(source.files[file - 1]);
  if (std::count(labels.begin() + 1, labels.end(), label) == 1) return label;
  return label + " · " + source.files[file - 1];
}

}  // namespace crawlmeter
