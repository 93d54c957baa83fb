// Counts one unit of a log file in the file's format: the positional reading itself, or a reader
// of another format through a FormatScanner. A unit whose format the plan could not tell (a
// compressed log, standard input) holds its first bytes until its first line that is not empty
// tells it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"
#include "logformat/format_scanner.h"
#include "logformat/log_format.h"
#include "scan/log_scanner.h"

namespace crawlmeter {

// Where a unit starts reading, as its plan knows it.
struct UnitStart {
  std::optional<LogFormat> format;  // nullopt: told by the unit's first line
  std::string carriedState;         // see LineReader::carriedState
  LineEnds lineEnds = LineEnds::Undecided;
};

class FileScanner {
 public:
  FileScanner(const UnitStart& start, const ReadingChoice& choice, RecordCounter& counter,
              FileCounts& counts, CrawlerSearch* catalogue);

  void feed(std::string_view chunk);
  void finish();

  // Whether the unit is read by the positional reading, whose line ends a rewrite follows; false
  // until the format is known.
  bool positional() const { return positional_.has_value(); }
  LineEnds lineEnds() const { return positional_ ? positional_->lineEnds() : LineEnds::Undecided; }
  Expected<std::string> dateLabel() const;
  std::string carriedState() const { return other_ ? other_->carriedState() : std::string(); }
  LineTally tally() const;

 private:
  void begin(LogFormat format);
  // Tells the format by the bytes held, and counts them.
  void startWithHead();
  void forward(std::string_view chunk);

  // Bytes held before the format is told: a first line longer than this is told by its start.
  static constexpr std::size_t kLongestHead = 64 * 1024;

  const ReadingChoice& choice_;
  RecordCounter& counter_;
  FileCounts& counts_;
  CrawlerSearch* catalogue_;
  UnitStart start_;
  std::optional<LogScanner> positional_;
  std::optional<FormatScanner> other_;
  std::string head_;
  bool started_ = false;
};

}  // namespace crawlmeter
