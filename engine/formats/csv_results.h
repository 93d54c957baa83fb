// The counts as CSV (RFC 4180) for spreadsheets and scripts: UTF-8, LF line ends, a header line
// file,date,kind,hour,count, then one row per file, series and hour 0..23, with exactly the
// numbers of the text report.
#pragma once

#include <span>
#include <string>

#include "formats/result_series.h"

namespace crawlmeter {

// byteOrderMark puts U+FEFF first, for spreadsheet programs that need it to read UTF-8.
std::string csvResults(const ResultSource& source, std::span<const ResultSeries> series,
                       bool byteOrderMark);

}  // namespace crawlmeter
