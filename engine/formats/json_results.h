// The counts as one JSON document (UTF-8) for dashboards and scripts. Its shape is versioned by
// "schema" and only ever grows: a new member never changes what the others mean.
//
// {"schema": 1, "program": "crawlmeter-report", "version": "...",
//  "files": [{"path", "date", "bytes_read", "log_bytes"}, ...],
//  "kinds": [{"kind": "pv", "totals": [per file], "hours": [[24 counts] per file]}, ...],
//  "crawlers": [{"kind": "bot:NAME", "name", "category", "totals", "hours"}, ...]}
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "formats/result_series.h"

namespace crawlmeter {

inline constexpr int kJsonSchema = 1;

std::string jsonResults(const ResultSource& source, std::span<const ResultSeries> series,
                        std::string_view version);

}  // namespace crawlmeter
