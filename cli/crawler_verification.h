// The command's crawler verification: the address ranges in use, DNS when asked, what it says on
// standard error, and the list of addresses that only claimed a crawler's name.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/wording.h"
#include "catalogue/crawler_catalogue.h"
#include "command_line.h"
#include "formats/result_series.h"
#include "run/statistics_run.h"
#include "verify/claim_verification.h"
#include "verify/crawler_ranges.h"

namespace crawlmeter {

// Ranges older than this are told of when they are used: operators add addresses every month.
inline constexpr int kStaleRangesDays = 90;

// The built-in ranges, replaced by the files of the user's ranges folder and then by
// --crawler-ranges files.
Error loadCommandRanges(const CommandLine& line, CrawlerRanges* ranges);

// Verifies the run's claims (counted with checkedCrawlers(methods)), asking DNS when the command
// line says so. What cannot stop the run (DNS that cannot start, a cache that cannot be kept,
// ranges older than kStaleRangesDays at today) is told on standard error.
ClaimVerification verifyCommandClaims(const CommandLine& line, const StatisticsTables& tables,
                                      std::vector<const VerificationMethod*> methods,
                                      const CrawlerRanges& ranges, std::chrono::sys_days today,
                                      const Wording& wording);

// ADDRESS<TAB>CLAIMED NAME<TAB>LINES<TAB>FIRST SEEN<TAB>LAST SEEN, a line per spoofing address of
// source's verification, most lines first; a time seen is the file's day and the hour
// ("22/Aug/2026 13:00").
std::string spooferListing(const ResultSource& source);

// The notice for ranges dated more than kStaleRangesDays before today; empty when they are not.
std::string staleRangesNotice(const std::string& rangesDate, std::chrono::sys_days today,
                              const Wording& wording);

}  // namespace crawlmeter
