// Writes the CR LF copy of a log file with bare LF line ends while the file is being counted, for
// a run that converts such files. The copy replaces the log only when the whole run succeeds, and
// only while no other program has the log open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/log_file.h"
#include "files/replacement_file.h"
#include "scan/line_ends.h"

namespace crawlmeter {

// Called with a log's path while the run holds the lease on it and has found the log unchanged,
// right before it puts the converted copy in the log's place and asks the lease once more: a seam
// for tests, the moment at which another program may open the log.
using WhileLeased = std::function<void(const std::string& log)>;

// A converted copy waiting for the run to succeed.
struct PendingRewrite {
  ReplacementFile copy;
  std::shared_ptr<const LogFile> log;  // the log as the run read it

  // Renames the copy over the log when no other program has the log open and it is still the
  // file that was read, unchanged; otherwise removes the copy and leaves the log as it is.
  void commit(const WhileLeased& whileLeased);
};

class LineEndRewrite {
 public:
  // target is the log's path with links resolved; an empty target rewrites nothing.
  LineEndRewrite(std::shared_ptr<const LogFile> log, std::string target);

  // Takes the chunk that was just counted, read at offset, and the file's line ends before and
  // after it.
  void afterChunk(std::string_view chunk, std::uint64_t offset, LineEnds before, LineEnds after);
  // The finished copy, when the file needed one and it could be written whole.
  std::optional<PendingRewrite> finish(std::uint64_t bytesRead);

 private:
  bool start(std::uint64_t prefixLength);
  bool write(std::string_view bytes);

  std::shared_ptr<const LogFile> log_;
  std::string target_;
  bool possible_;
  std::optional<ReplacementFile> copy_;
  LineEndConverter converter_;
  std::string converted_;
};

}  // namespace crawlmeter
