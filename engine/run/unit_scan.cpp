// The read loop of one unit: large reads from the unit's first byte to its last (or to the end of
// the file), each chunk fed to the counting and, for a file that needs it, to the converted copy.
#include "run/unit_scan.h"

#include <optional>
#include <vector>

#include "files/replacement_file.h"
#include "scan/log_scanner.h"

namespace crawlmeter {
namespace {

// The file a converted copy of the unit's log would replace; empty when none is to be written: a
// piece of a file, a run that converts nothing, or a log whose links cannot be followed (a link
// must stay a link).
std::string rewriteTarget(const LogFile& log, const WorkUnit& unit, const UnitOptions& options) {
  if (!options.rewriteLineEnds || unit.begin != 0 || unit.end != kToEndOfFile) return {};
  const Expected<std::string> target = resolveLinks(log.path());
  return target ? *target : std::string();
}

}  // namespace

Expected<UnitResult> scanUnit(const std::shared_ptr<const LogFile>& log, const WorkUnit& unit,
                              const UnitOptions& options) {
  UnitResult result;
  RecordCounter counter;
  std::optional<CrawlerSearch> catalogue;
  if (options.catalogue) {
    catalogue.emplace(options.catalogue);
    result.counts.crawlerCells.resize(options.catalogue->crawlerCount());
  }
  LogScanner scanner(counter, result.counts, unit.lineEnds, catalogue ? &*catalogue : nullptr);
  LineEndRewrite rewrite(log, rewriteTarget(*log, unit, options));
  std::vector<char> buffer(options.chunkBytes);
  std::uint64_t end = unit.begin;
  const Error error =
      log->readChunks(buffer, unit.begin, unit.end, [&](std::string_view chunk, std::uint64_t at) {
        const LineEnds before = scanner.lineEnds();
        scanner.feed(chunk);
        rewrite.afterChunk(chunk, at, before, scanner.lineEnds());
        end = at + chunk.size();
        return options.onChunk(chunk.size());
      });
  if (error) return error;
  scanner.finish();
  result.edges = counter.takeEdges();
  Expected<std::string> label = scanner.dateLabel();
  if (!label) return label.error().on(log->path());
  result.dateLabel = std::move(*label);
  result.rewrite = rewrite.finish(end);
  return result;
}

}  // namespace crawlmeter
