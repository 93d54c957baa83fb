// Opens the files of a run and cuts the run into units of work that can be counted apart: whole
// files, and pieces of large files cut at line ends. Counting the units in order and joining
// their hour-run edges gives exactly the result of counting the files one line after the other.
// Every unit reads through the file the plan opened, so a log renamed or replaced meanwhile is
// still counted whole, as it was planned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "decompress/compression.h"
#include "files/log_file.h"
#include "logformat/log_format.h"
#include "scan/line_ends.h"

namespace crawlmeter {

// The bytes a file (or a piece of one) gave: as read, and as log text once decompressed.
struct FileBytes {
  std::uint64_t read = 0;
  std::uint64_t text = 0;
};

struct WorkUnit {
  std::size_t file = 0;  // index into the run's files
  std::uint64_t begin = 0;
  std::uint64_t end = kToEndOfFile;         // a file's last unit reads on to the end, however long
  LineEnds lineEnds = LineEnds::Undecided;  // known for a unit that does not start the file
  // A compressed file is one unit, read through its decompressor. Standard input's format is told
  // by its first bytes when they are read.
  Compression compression = Compression::kNone;
  // The file's format, when the plan could tell it (a plain file, or one the user named); else
  // the unit's first line tells it.
  std::optional<LogFormat> format = std::nullopt;
  // What a reader of a piece of a W3C log must know of the lines before it: the "#Fields:"
  // directive in effect at the cut, as the plan saw it in the file's first bytes. A piece whose
  // earlier pieces changed it is counted again with theirs (see runStatistics).
  std::string carriedState = {};
};

// The path that names the process's standard input. A run reads it once, from where it stands,
// as one unit (plain or compressed), and never rewrites it.
inline constexpr std::string_view kStandardInputPath = "-";

// Pieces smaller than this are not worth a cut: a cut costs a probe read and a join.
inline constexpr std::uint64_t kSmallestPieceBytes = 32ULL << 20;
// The bytes read at the start of a file, and around a cut, to decide how to cut.
inline constexpr std::size_t kProbeBytes = 64 * 1024;

struct PlanOptions {
  std::size_t workers = 1;
  bool rewriteLineEnds = false;
  std::uint64_t smallestPieceBytes = kSmallestPieceBytes;
  std::size_t probeBytes = kProbeBytes;
  ReadingChoice reading = {};
};

struct WorkPlan {
  // The open files by index into the run's files. A file named twice is opened once: the run
  // holds one open file per log, the one a lease can be taken on.
  std::vector<std::shared_ptr<const LogFile>> files;
  std::vector<WorkUnit> units;
  // The bytes to read (of a compressed file, its compressed size); 0 when unknown (a run that
  // reads standard input).
  std::uint64_t totalBytes = 0;
};

// Opens every file and plans its units; on failure *failed is the index of the file that failed.
Expected<WorkPlan> planWork(std::span<const std::string> paths, const PlanOptions& options,
                            std::size_t* failed);

}  // namespace crawlmeter
