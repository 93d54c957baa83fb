// Planning: a file is cut only when its first bytes settle its line ends and its date label (so a
// piece needs nothing from the pieces before it but the hour-run), and when it will not be
// rewritten (the converted copy is written in order by one worker).
#include "run/work_plan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "scan/date_label.h"

namespace crawlmeter {
namespace {

std::optional<std::string> readProbe(const LogFile& file, std::uint64_t offset, std::size_t bytes) {
  std::string probe(bytes, '\0');
  const Expected<std::size_t> got = file.readAt(probe.data(), probe.size(), offset);
  if (got.failed()) return std::nullopt;
  probe.resize(*got);
  return probe;
}

// The file's line ends as its first bytes tell; Undecided when they hold no LF.
LineEnds lineEndsOf(std::string_view head) {
  const std::size_t lf = head.find('\n');
  if (lf == std::string_view::npos) return LineEnds::Undecided;
  return lf > 0 && head[lf - 1] == '\r' ? LineEnds::CrLf : LineEnds::BareLf;
}

// The first line boundary at or after offset, from the bytes there; nullopt when none is near.
std::optional<std::uint64_t> cutNear(const LogFile& file, std::uint64_t offset, LineEnds ends,
                                     std::size_t probeBytes) {
  const std::optional<std::string> probe = readProbe(file, offset, probeBytes);
  if (!probe) return std::nullopt;
  const std::size_t at = ends == LineEnds::BareLf ? probe->find('\n') : probe->find("\r\n");
  if (at == std::string::npos) return std::nullopt;
  return offset + at + (ends == LineEnds::BareLf ? 1 : 2);
}

// Cuts a plain file read in the positional format: only when its first bytes settle its line
// ends and its date label, and when it will not be rewritten.
// Cuts the file's last unit into pieces at line ends near equal shares of it.
void cutAt(const LogFile& file, std::uint64_t pieces, LineEnds ends, const PlanOptions& options,
           std::vector<WorkUnit>& units) {
  const std::uint64_t size = file.identity().size;
  for (std::uint64_t piece = 1; piece < pieces; ++piece) {
    const std::optional<std::uint64_t> cut =
        cutNear(file, size / pieces * piece, ends, options.probeBytes);
    if (!cut || *cut <= units.back().begin + options.probeBytes || *cut >= size) continue;
    units.back().end = *cut;
    WorkUnit next = units.back();
    next.begin = *cut;
    next.end = kToEndOfFile;
    next.lineEnds = ends;
    units.push_back(next);
  }
}

void cutPositional(const LogFile& file, std::string_view head, std::uint64_t pieces,
                   const PlanOptions& options, std::vector<WorkUnit>& units) {
  const LineEnds ends = lineEndsOf(head);
  DateLabelScanner label;
  label.feed(head);
  if (ends == LineEnds::Undecided || !label.complete()) return;
  if (ends == LineEnds::BareLf && options.rewriteLineEnds) return;
  cutAt(file, pieces, ends, options, units);
}

void planFile(const LogFile& file, std::size_t index, const PlanOptions& options,
              std::vector<WorkUnit>& units) {
  WorkUnit whole;
  whole.file = index;
  whole.format = options.reading.format;
  if (file.readInOrder()) {
    units.push_back(whole);
    return;
  }
  const std::optional<std::string> head = readProbe(file, 0, options.probeBytes);
  whole.compression = head ? compressionOf(*head) : Compression::kNone;
  if (whole.compression != Compression::kNone || !head) {
    units.push_back(whole);
    return;
  }
  if (!whole.format) whole.format = formatOfHead(*head);
  units.push_back(whole);
  const std::uint64_t size = file.identity().size;
  const std::uint64_t pieces =
      std::min<std::uint64_t>(size / options.smallestPieceBytes, 4 * options.workers);
  if (options.workers < 2 || pieces < 2) return;
  if (readsPositionally(*whole.format, options.reading)) {
    cutPositional(file, *head, pieces, options, units);
  } else if (head->find('\n') != std::string::npos) {
    cutAt(file, pieces, LineEnds::BareLf, options, units);
    const std::string state = carriedStateAfter(*head, *whole.format, options.reading);
    for (WorkUnit& unit : units) {
      if (unit.file == index && unit.begin != 0) unit.carriedState = state;
    }
  }
}

}  // namespace

Expected<WorkPlan> planWork(std::span<const std::string> paths, const PlanOptions& options,
                            std::size_t* failed) {
  WorkPlan plan;
  bool unknownSize = false;
  std::map<std::pair<dev_t, ino_t>, std::shared_ptr<const LogFile>> openedByIdentity;
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const bool standardInput = paths[index] == kStandardInputPath;
    Expected<LogFile> opened =
        standardInput ? LogFile::standardInput(paths[index]) : LogFile::open(paths[index]);
    if (opened.failed()) {
      *failed = index;
      return opened.error();
    }
    const FileIdentity& identity = opened->identity();
    std::shared_ptr<const LogFile> standardInputFile;
    std::shared_ptr<const LogFile>& file =
        standardInput ? standardInputFile : openedByIdentity[{identity.device, identity.inode}];
    if (!file) file = std::make_shared<const LogFile>(std::move(*opened));
    plan.files.push_back(file);
    plan.totalBytes += file->identity().size;
    unknownSize |= standardInput;
    planFile(*file, index, options, plan.units);
  }
  if (unknownSize) plan.totalBytes = 0;  // a total without standard input would mislead
  return plan;
}

}  // namespace crawlmeter
