// The HTML report: one self-contained page (no script, no request of any kind: styles and
// pictures are inline, and its content security policy forbids loading anything) that a user
// can mail, print on A4 or open years later. Labels are in Simplified Chinese, like the window.
//
// It shows the files and their totals per day, a day × hour heat map of page views, distinct
// IPs per hour as a line per day, crawler visits per hour stacked by crawler, and the crawler
// categories' shares. Every value is also in a data table. Every text from a log, a path or a
// user's catalogue is escaped.
#pragma once

#include <string>
#include <string_view>

#include "formats/result_series.h"

namespace crawlmeter {

// The crawlers drawn apart in the stacked bars; the others share one layer.
inline constexpr std::size_t kCrawlersDrawnApart = 8;

// version and generatedAt are shown in the page's heading.
std::string htmlReport(const ResultSource& source, std::string_view version,
                       std::string_view generatedAt);

}  // namespace crawlmeter
