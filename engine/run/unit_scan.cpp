// The read loop of one unit: large reads from the unit's first byte to its last (or to the end of
// the file), each chunk fed to the counting and, for a file that needs it, to the converted copy.
#include "run/unit_scan.h"

#include <algorithm>
#include <vector>

#include "files/log_file.h"
#include "files/replacement_file.h"
#include "scan/log_scanner.h"

namespace crawlmeter {

std::optional<UnitResult> scanUnit(const std::string& path, const WorkUnit& unit,
                                   const UnitOptions& options) {
  std::optional<LogFile> file = LogFile::open(path);
  if (!file) return std::nullopt;
  UnitResult result;
  RecordCounter counter;
  LogScanner scanner(counter, result.counts, unit.lineEnds);
  const bool wholeFile = unit.begin == 0 && unit.end == kToEndOfFile;
  LineEndRewrite rewrite(*file, options.rewriteLineEnds && wholeFile ? resolveLinks(path) : "");
  std::vector<char> buffer(options.chunkBytes);
  std::uint64_t offset = unit.begin;
  for (;;) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), unit.end - offset));
    const std::optional<std::size_t> got = file->readAt(buffer.data(), want, offset);
    if (!got) return std::nullopt;
    if (*got == 0) break;
    const std::string_view chunk(buffer.data(), *got);
    const LineEnds before = scanner.lineEnds();
    scanner.feed(chunk);
    rewrite.afterChunk(chunk, offset, before, scanner.lineEnds());
    offset += *got;
    if (!options.onChunk(*got)) return std::nullopt;
  }
  scanner.finish();
  result.edges = counter.takeEdges();
  result.dateLabel = scanner.dateLabel();
  result.rewrite = rewrite.finish(offset);
  return result;
}

}  // namespace crawlmeter
