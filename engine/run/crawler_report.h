// The reports of the crawler catalogue's counts, in the fixed-width style of the hour report:
// one crawler's hour table, and the table of every crawler seen with its category, one column
// per file and a total, followed by the totals of each category and of all crawlers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/crawler_catalogue.h"
#include "run/report.h"
#include "run/statistics_run.h"
#include "verify/claim_verification.h"

namespace crawlmeter {

// "正在统计NAME蜘蛛次数...", then the hour table of that crawler (an index into the catalogue's
// crawlers, which the run counted); with a verification, its verified and spoofed visits after.
std::string crawlerReportText(const StatisticsTables& tables, const CrawlerCatalogue& catalogue,
                              std::size_t crawler, std::string_view lineEnd = kCrLf,
                              const ClaimVerification* verification = nullptr);

// "正在统计真人访问次数...", then the hour table of the page views no crawler claims (the run
// counted a catalogue).
std::string peopleReportText(const StatisticsTables& tables, std::string_view lineEnd = kCrLf);

// Crawlers with at least one visit in hours 0..23, most visits first (ties in catalogue order);
// with a verification, two more columns (verified and spoofed visits) and the basis after.
std::string crawlerTableText(const StatisticsTables& tables, const CrawlerCatalogue& catalogue,
                             std::string_view lineEnd = kCrLf,
                             const ClaimVerification* verification = nullptr);

// The visits of the crawlers together in hours 0..23: one count per file, then their total.
std::vector<Count> crawlerVisits(const StatisticsTables& tables,
                                 const std::vector<std::size_t>& crawlers);
// The crawlers with a visit in hours 0..23, most visits first (ties in catalogue order).
std::vector<std::size_t> crawlersByVisits(const StatisticsTables& tables);
// Those of crawlers that are of the category, in their order.
std::vector<std::size_t> crawlersOf(const CrawlerCatalogue& catalogue,
                                    const std::vector<std::size_t>& crawlers,
                                    CrawlerCategory category);

// The columns UTF-8 text takes in the export's code page: two for every character that is not
// ASCII, as code page 936 gives each of those two bytes.
std::size_t displayWidth(std::string_view utf8);

}  // namespace crawlmeter
