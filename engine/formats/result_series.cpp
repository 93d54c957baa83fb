// The series of a result, and the kinds' names.
#include "formats/result_series.h"

#include <algorithm>

#include "run/crawler_report.h"

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
  std::vector<std::size_t> seen = crawlersByVisits(source.tables);
  std::sort(seen.begin(), seen.end());  // catalogue order: stable from one day to the next
  std::vector<ResultSeries> series;
  for (std::size_t crawler : seen) series.push_back(crawlerSeries(source, crawler));
  return series;
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
