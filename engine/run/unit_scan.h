// Counts one unit of work (a file, or a piece of one) in a single streaming pass over the file the
// run opened, and writes the converted copy of a whole file when it needs one.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "catalogue/crawler_matcher.h"
#include "files/log_file.h"
#include "run/line_end_rewrite.h"
#include "run/work_plan.h"
#include "scan/count_table.h"
#include "scan/record_counter.h"

namespace crawlmeter {

struct UnitResult {
  FileCounts counts;
  FileBytes bytes;  // of the unit
  RunEdges edges;
  std::string dateLabel;     // of a unit that starts its file, or of any unit read in a format
                             // whose label is its first record's
  std::string carriedState;  // at the unit's end: see LineReader::carriedState
  std::optional<PendingRewrite> rewrite;
  ClaimTally claims;  // when options.claimCheck judges them
};

struct UnitOptions {
  bool rewriteLineEnds = false;
  std::size_t chunkBytes = 0;
  // Told the bytes of each chunk read; false stops the scan (kCancelled).
  std::function<bool(std::size_t bytes)> onChunk;
  // Counts the catalogue's crawlers too, when given.
  std::shared_ptr<const CrawlerMatcher> catalogue;
  // Decompresses a compressed log on a thread of its own while this one counts.
  bool decompressAlongside = true;
  ReadingChoice reading = {};
  // Judges the claims of the crawlers it checks, when given.
  std::shared_ptr<const ClaimCheck> claimCheck = nullptr;
  // Keeps each hour-run's client addresses within it, when given.
  std::shared_ptr<const AddressBudget> addressBudget = nullptr;
};

// search, when given, is the thread's search of options.catalogue, started here when empty and
// kept for the thread's next unit: the agents it has judged stay known.
Expected<UnitResult> scanUnit(const std::shared_ptr<const LogFile>& log, const WorkUnit& unit,
                              const UnitOptions& options,
                              std::optional<CrawlerSearch>* search = nullptr);

}  // namespace crawlmeter
