// Choosing a unit's reading, and holding a compressed log's first line until it is chosen.
#include "logformat/file_scanner.h"

#include <utility>

namespace crawlmeter {

FileScanner::FileScanner(const UnitStart& start, const ReadingChoice& choice,
                         RecordCounter& counter, FileCounts& counts, CrawlerSearch* catalogue)
    : choice_(choice), counter_(counter), counts_(counts), catalogue_(catalogue), start_(start) {
  if (choice_.format) {
    begin(*choice_.format);
  } else if (start_.format) {
    begin(*start_.format);
  }
}

void FileScanner::begin(LogFormat format) {
  started_ = true;
  std::unique_ptr<LineReader> reader = makeLineReader(format, choice_, start_.carriedState);
  if (reader) {
    other_.emplace(std::move(reader), counter_, counts_, catalogue_, choice_.timeZone);
  } else {
    positional_.emplace(counter_, counts_, start_.lineEnds, catalogue_);
  }
}

void FileScanner::feed(std::string_view chunk) {
  if (started_) {
    forward(chunk);
    return;
  }
  head_.append(chunk);
  if (holdsFirstLine(head_) || head_.size() >= kLongestHead) startWithHead();
}

void FileScanner::finish() {
  if (!started_) startWithHead();
  if (positional_) positional_->finish();
  if (other_) other_->finish();
}

void FileScanner::startWithHead() {
  begin(formatOfHead(head_));
  forward(std::exchange(head_, std::string()));
}

void FileScanner::forward(std::string_view chunk) {
  if (positional_) {
    positional_->feed(chunk);
  } else {
    other_->feed(chunk);
  }
}

Expected<std::string> FileScanner::dateLabel() const {
  if (positional_) return positional_->dateLabel();
  if (other_) return other_->dateLabel();
  return std::string();
}

LineTally FileScanner::tally() const {
  if (positional_) return positional_->tally();
  if (other_) return other_->tally();
  return {};
}

}  // namespace crawlmeter
