// One streaming pass over one log file: finds its line ends as the bytes arrive, counts every line
// into the file's hour cells and reads the file's date label, all from the same chunks.
//
// Lines wholly inside a chunk are parsed in place; a line that straddles chunks is parsed piece by
// piece, so memory never depends on the length of a line or of the file.
#pragma once

#include <cstdint>
#include <string_view>

#include "count_table.h"
#include "date_label.h"
#include "line_ends.h"
#include "record_counter.h"
#include "record_parser.h"

namespace crawlmeter {

class LogScanner {
 public:
  // The counter carries the hour-run from the previous file of the run.
  LogScanner(RecordCounter& counter, FileCounts& counts) : counter_(counter), counts_(counts) {}

  // Takes the next bytes of the file.
  void feed(std::string_view chunk);
  // The end of the file ends its last line.
  void finish();

  LineEnds lineEnds() const { return lineEnds_; }
  std::string dateLabel() const { return dateLabel_.label(); }

 private:
  std::size_t lineEndAfter(std::string_view chunk, std::size_t from);
  std::size_t skipLineEnd(std::string_view chunk, std::size_t end);
  void countLine(std::string_view line);

  RecordCounter& counter_;
  FileCounts& counts_;
  DateLabelScanner dateLabel_;
  PieceParser pieces_;
  LineEnds lineEnds_ = LineEnds::Undecided;
  bool inPieces_ = false;   // the current line began in an earlier chunk
  bool lastWasCr_ = false;  // the previous chunk ended with a CR
  // Cached positions of the next CR and LF in the current chunk, so each is searched once.
  std::size_t nextCr_ = 0;
  std::size_t nextLf_ = 0;
};

}  // namespace crawlmeter
