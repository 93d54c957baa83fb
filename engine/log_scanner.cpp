// The line splitter over chunks: memchr-class searches for CR and LF, each position cached until
// the scan passes it, so a CR-free or LF-free file costs one search per chunk for the missing byte.
#include "log_scanner.h"

namespace crawlmeter {

void LogScanner::countLine(std::string_view line) {
  std::optional<Record> record;
  if (inPieces_) {
    pieces_.feed(line);
    record = pieces_.finish();
    pieces_.reset();
    inPieces_ = false;
  } else {
    record = parseLine(line);
  }
  if (record) counter_.count(*record, counts_);
}

// The position of the next line end at or after from, or npos.
std::size_t LogScanner::lineEndAfter(std::string_view chunk, std::size_t from) {
  if (nextCr_ < from) nextCr_ = chunk.find('\r', from);
  if (lineEnds_ == LineEnds::CrLf) return nextCr_;
  if (nextLf_ < from) nextLf_ = chunk.find('\n', from);
  return std::min(nextCr_, nextLf_);
}

// Steps over the line end at chunk[end]; the first LF of the file decides how lines end.
std::size_t LogScanner::skipLineEnd(std::string_view chunk, std::size_t end) {
  if (chunk[end] == '\n') {
    if (lineEnds_ == LineEnds::Undecided) lineEnds_ = LineEnds::BareLf;
    return end + 1;
  }
  if (end + 1 < chunk.size() && chunk[end + 1] == '\n') {
    if (lineEnds_ == LineEnds::Undecided) lineEnds_ = LineEnds::CrLf;
    return end + 2;
  }
  return end + 1;
}

void LogScanner::feed(std::string_view chunk) {
  if (chunk.empty()) return;
  if (!dateLabel_.complete()) dateLabel_.feed(chunk);
  std::size_t from = 0;
  if (lastWasCr_ && chunk[0] == '\n') {  // the LF of a CR LF split between chunks
    if (lineEnds_ == LineEnds::Undecided) lineEnds_ = LineEnds::CrLf;
    from = 1;
  }
  nextCr_ = chunk.find('\r', from);
  nextLf_ = chunk.find('\n', from);
  const bool crAtEnd = chunk.back() == '\r';
  const std::size_t usable = crAtEnd ? chunk.size() - 1 : chunk.size();
  while (from < chunk.size()) {
    const std::size_t end = lineEndAfter(chunk, from);
    if (end == std::string_view::npos) {
      pieces_.feed(chunk.substr(from));
      inPieces_ = true;
      break;
    }
    countLine(chunk.substr(from, end - from));
    from = end < usable ? skipLineEnd(chunk, end) : chunk.size();
  }
  lastWasCr_ = crAtEnd;
}

void LogScanner::finish() {
  if (inPieces_) countLine({});
}

}  // namespace crawlmeter
