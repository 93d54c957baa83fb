// Planning: a file is cut only when its first bytes settle its line ends and its date label (so a
// piece needs nothing from the pieces before it but the hour-run), and when it will not be
// rewritten (the converted copy is written in order by one worker).
#include "run/work_plan.h"

#include <string_view>

#include "files/log_file.h"
#include "scan/date_label.h"

namespace crawlmeter {
namespace {

std::optional<std::string> readProbe(LogFile& file, std::uint64_t offset) {
  std::string bytes(kProbeBytes, '\0');
  const std::optional<std::size_t> got = file.readAt(bytes.data(), bytes.size(), offset);
  if (!got) return std::nullopt;
  bytes.resize(*got);
  return bytes;
}

// The file's line ends as its first bytes tell; Undecided when they hold no LF.
LineEnds lineEndsOf(std::string_view head) {
  const std::size_t lf = head.find('\n');
  if (lf == std::string_view::npos) return LineEnds::Undecided;
  return lf > 0 && head[lf - 1] == '\r' ? LineEnds::CrLf : LineEnds::BareLf;
}

// The first line boundary at or after offset, from the bytes there; nullopt when none is near.
std::optional<std::uint64_t> cutNear(LogFile& file, std::uint64_t offset, LineEnds ends) {
  const std::optional<std::string> probe = readProbe(file, offset);
  if (!probe) return std::nullopt;
  const std::size_t at = ends == LineEnds::BareLf ? probe->find('\n') : probe->find("\r\n");
  if (at == std::string::npos) return std::nullopt;
  return offset + at + (ends == LineEnds::BareLf ? 1 : 2);
}

void planFile(LogFile& file, std::size_t index, const PlanOptions& options,
              std::vector<WorkUnit>& units) {
  const std::uint64_t size = file.identity().size;
  const std::uint64_t pieces =
      std::min<std::uint64_t>(size / kSmallestPieceBytes, 4 * options.workers);
  units.push_back(WorkUnit{index});
  if (options.workers < 2 || pieces < 2) return;
  const std::optional<std::string> head = readProbe(file, 0);
  if (!head) return;
  const LineEnds ends = lineEndsOf(*head);
  DateLabelScanner label;
  label.feed(*head);
  if (ends == LineEnds::Undecided || !label.complete()) return;
  if (ends == LineEnds::BareLf && options.rewriteLineEnds) return;
  for (std::uint64_t piece = 1; piece < pieces; ++piece) {
    const std::optional<std::uint64_t> cut = cutNear(file, size / pieces * piece, ends);
    if (!cut || *cut <= units.back().begin + kProbeBytes || *cut >= size) continue;
    units.back().end = *cut;
    units.push_back(WorkUnit{index, *cut, kToEndOfFile, ends});
  }
}

}  // namespace

std::optional<std::vector<WorkUnit>> planWork(std::span<const std::string> files,
                                              const PlanOptions& options, std::size_t* failed,
                                              std::uint64_t* totalBytes) {
  std::vector<WorkUnit> units;
  *totalBytes = 0;
  for (std::size_t index = 0; index < files.size(); ++index) {
    std::optional<LogFile> file = LogFile::open(files[index]);
    if (!file) {
      *failed = index;
      return std::nullopt;
    }
    *totalBytes += file->identity().size;
    planFile(*file, index, options, units);
  }
  return units;
}

}  // namespace crawlmeter
