// The series of a result, and the kinds' names.
#include "formats/result_series.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "run/crawler_report.h"

namespace crawlmeter {
std::optional<StatCategory> kindNamed(std::string_view name) {
  for (const KindRow& row : kKindTable) {
    if (row.name == name) return row.kind;
  }
  return std::nullopt;
}

ResultSeries kindSeries(const StatisticsTables& tables, StatCategory kind) {
  return ResultSeries{std::string(kindRow(kind).name), &tables.counts(kind), std::nullopt};
}

ResultSeries peopleSeries(const StatisticsTables& tables) {
  return ResultSeries{std::string(kPeopleKindName), &tables.people, std::nullopt};
}

ResultSeries crawlerSeries(const ResultSource& source, std::size_t crawler) {
  std::string kind(kCrawlerKindPrefix);
  kind += source.catalogue->crawlers()[crawler].name;
  return ResultSeries{std::move(kind), &source.tables.crawlerCounts[crawler], crawler};
}

const ClaimSplit* splitOf(const ResultSource& source, const ResultSeries& series) {
  if (!source.verification || !series.crawler || !source.verification->verifies(*series.crawler)) {
    return nullptr;
  }
  return &source.verification->splits[*series.crawler];
}

std::vector<ResultSeries> crawlerSeriesSeen(const ResultSource& source) {
  std::vector<std::size_t> seen = crawlersByVisits(source.tables);
  std::sort(seen.begin(), seen.end());  // catalogue order: stable from one day to the next
  std::vector<ResultSeries> series;
  for (std::size_t crawler : seen) series.push_back(crawlerSeries(source, crawler));
  return series;
}

std::vector<ResultSeries> everySeries(const ResultSource& source) {
  std::vector<ResultSeries> all;
  for (const KindRow& row : kKindTable) all.push_back(kindSeries(source.tables, row.kind));
  if (source.catalogue && !source.catalogue->lines().empty()) {
    all.push_back(peopleSeries(source.tables));
  }
  for (ResultSeries& one : crawlerSeriesSeen(source)) all.push_back(std::move(one));
  return all;
}

namespace {

std::string lastPart(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
}

}  // namespace

std::string dayName(const ResultSource& source, std::size_t file) {
  const std::vector<std::string>& labels = source.tables.dateLabels;
  const std::string& label = labels[file];
  if (label.empty()) return lastPart(source.files[file]);
  if (std::count(labels.begin(), labels.end(), label) == 1) return label;
  return label + " · " + source.files[file];
}

std::string seenText(const ResultSource& source, const SeenAt& seen) {
  char hour[8];
  std::snprintf(hour, sizeof hour, "%02d:00", seen.hour);
  return dayName(source, seen.file) + ' ' + hour;
}

}  // namespace crawlmeter
