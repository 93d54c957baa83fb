// What a machine-readable result or the HTML page shows: the run's files and a list of series,
// each one kind's (or one crawler's) counts per file and hour under a stable name.
//
// Kind names: pv, ip, sogou, bing, baidu, youdao, yahoo, google, humans (the page views of
// people, when the catalogue was counted), and bot:NAME for a crawler of the catalogue. Hours are
// 0..23, as in the report: slot 24 is counted but shown nowhere.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/crawler_catalogue.h"
#include "run/statistics_run.h"
#include "scan/count_table.h"
#include "verify/claim_verification.h"

namespace crawlmeter {

inline constexpr std::string_view kCrawlerKindPrefix = "bot:";
// The series of the page views no crawler claims.
inline constexpr std::string_view kPeopleKindName = "humans";
// The series of a verified crawler's verified and spoofed visits.
inline constexpr std::string_view kVerifiedKindPrefix = "verified:";
inline constexpr std::string_view kSpoofedKindPrefix = "spoofed:";

// The kind whose name is name, as kKindTable gives it.
std::optional<StatCategory> kindNamed(std::string_view name);

struct ResultSeries {
  std::string kind;  // "pv" ... or "bot:NAME"
  const CountTable* counts = nullptr;
  std::optional<std::size_t> crawler;  // the catalogue's crawler, for a bot: kind
};

// A run's result as the formats read it.
struct ResultSource {
  std::span<const std::string> files;  // the paths as given, in the run's order
  const StatisticsTables& tables;
  std::span<const FileBytes> bytes;   // file i's at position i
  const CrawlerCatalogue* catalogue;  // when the run counted one, else nullptr
  // The crawlers' claims split into verified and spoofed ones, when they were verified.
  const ClaimVerification* verification = nullptr;
};

// The split of a crawler series whose crawler was verified, else nullptr.
const ClaimSplit* splitOf(const ResultSource& source, const ResultSeries& series);

ResultSeries kindSeries(const StatisticsTables& tables, StatCategory kind);
ResultSeries peopleSeries(const StatisticsTables& tables);
ResultSeries crawlerSeries(const ResultSource& source, std::size_t crawler);
// The catalogue's crawlers with a visit in hours 0..23, in catalogue order.
std::vector<ResultSeries> crawlerSeriesSeen(const ResultSource& source);
// Every kind in kKindTable's order, then, when a catalogue with lines was counted, the people and
// the crawlers seen: the results of every kind.
std::vector<ResultSeries> everySeries(const ResultSource& source);

// What a file is called where a short name is wanted: its date label, with its path when another
// file has the same label, or the last part of its path when it has no label.
std::string dayName(const ResultSource& source, std::size_t file);

// When an address was seen, as a person reads it: the file's day name and the hour
// ("22/Aug/2026 13:00").
std::string seenText(const ResultSource& source, const SeenAt& seen);

}  // namespace crawlmeter
