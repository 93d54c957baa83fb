// Cuts a run into units of work that can be counted apart: whole files, and pieces of large files
// cut at line ends. Counting the units in order and joining their hour-run edges gives exactly
// the result of counting the files one line after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "scan/line_ends.h"

namespace crawlmeter {

inline constexpr std::uint64_t kToEndOfFile = std::numeric_limits<std::uint64_t>::max();

struct WorkUnit {
  std::size_t file = 0;  // index into the run's files
  std::uint64_t begin = 0;
  std::uint64_t end = kToEndOfFile;         // a file's last unit reads on to the end, however long
  LineEnds lineEnds = LineEnds::Undecided;  // known for a unit that does not start the file
};

// Pieces smaller than this are not worth a cut: a cut costs a probe read and a join.
inline constexpr std::uint64_t kSmallestPieceBytes = 32ULL << 20;
// The bytes read at the start of a file, and around a cut, to decide how to cut.
inline constexpr std::size_t kProbeBytes = 64 * 1024;

struct PlanOptions {
  std::size_t workers = 1;
  bool rewriteLineEnds = false;
};

// Plans the units of files, checking each file can be opened for reading; nullopt with *failed
// set to the index of the first file that cannot.
std::optional<std::vector<WorkUnit>> planWork(std::span<const std::string> files,
                                              const PlanOptions& options, std::size_t* failed,
                                              std::uint64_t* totalBytes);

}  // namespace crawlmeter
