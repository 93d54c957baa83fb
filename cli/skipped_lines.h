// The notice on standard error for logs with many lines no request could be read from: a sign
// that a log's format was not told right, or that the log is damaged.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "base/wording.h"
#include "scan/count_table.h"

namespace crawlmeter {

// One line per file whose lines not understood are more than 1% of its lines, in the order
// given: "access.log: 1,234 lines not understood (of 50,000 lines)". Empty when there is none.
// names are the files as messages call them.
std::string skippedLinesNotice(std::span<const std::string> names,
                               std::span<const LineTally> tallies, const Wording& wording);

// "1,234,567": counts in notices are grouped by thousands in every language.
std::string groupedCount(std::uint64_t count);

}  // namespace crawlmeter
