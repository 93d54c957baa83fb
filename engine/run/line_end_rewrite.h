// Writes the CR LF copy of a log file with bare LF line ends while the file is being counted, for
// a run that converts such files. The copy replaces the log only when the whole run succeeds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/log_file.h"
#include "files/replacement_file.h"
#include "scan/line_ends.h"

namespace crawlmeter {

// A converted copy waiting for the run to succeed.
struct PendingRewrite {
  ReplacementFile copy;
  FileIdentity original;  // the log as it was when read
  // Renames the copy over the log unless the log changed since it was read; else removes it.
  void commit();
};

class LineEndRewrite {
 public:
  // target is the log's path with links resolved; an empty target rewrites nothing.
  LineEndRewrite(LogFile& file, std::string target);

  // Takes the chunk that was just counted, read at offset, and the file's line ends before and
  // after it.
  void afterChunk(std::string_view chunk, std::uint64_t offset, LineEnds before, LineEnds after);
  // The finished copy, when the file needed one and it could be written whole.
  std::optional<PendingRewrite> finish(std::uint64_t bytesRead);

 private:
  bool start(std::uint64_t prefixLength);
  bool write(std::string_view bytes);

  LogFile& file_;
  std::string target_;
  bool possible_;
  std::optional<ReplacementFile> copy_;
  LineEndConverter converter_;
  std::string converted_;
};

}  // namespace crawlmeter
