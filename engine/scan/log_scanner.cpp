// The line splitter over indexed chunks. Lines come in order, so one cursor walks the crawler
// candidates of the chunk alongside them.
#include "scan/log_scanner.h"

namespace crawlmeter {

int LogScanner::crawlerInRest(std::string_view chunk, std::size_t restBegin, std::size_t end) {
  const std::string_view rest = chunk.substr(restBegin, end - restBegin);
  if (index_.mayHoldHighByte(restBegin, end)) return findCrawler(rest);
  const std::span<const std::uint32_t> candidates = index_.crawlerCandidates();
  while (nextCandidate_ < candidates.size() && candidates[nextCandidate_] < restBegin) {
    ++nextCandidate_;
  }
  int found = kNoCrawler;
  for (std::size_t k = nextCandidate_; k < candidates.size() && candidates[k] < end && found > 0;
       ++k) {
    found = crawlerStartingAt(rest, candidates[k] - restBegin, found);
  }
  return found;
}

// Matches come in the order of their ends and never hold a line break, so every match of this
// line is behind the cursor once it passes the line's end; a match that starts before the rest
// belongs to the address or to an earlier line.
FirstMatches LogScanner::matchesInRest(std::string_view chunk, std::size_t restBegin,
                                       std::size_t end) {
  const CrawlerMatcher& matcher = catalogue_->matcher();
  const bool walk = index_.mayHoldHighByte(restBegin, end);
  FirstMatches first;
  lineMatches_.clear();
  for (; nextMatch_ < catalogueMatches_.size() && catalogueMatches_[nextMatch_].end <= end;
       ++nextMatch_) {
    CrawlerMatch match = catalogueMatches_[nextMatch_];
    if (match.start < restBegin) continue;
    if (!walk) {
      first.take(matcher, match.line);
      continue;
    }
    match.start -= static_cast<std::uint32_t>(restBegin);
    lineMatches_.push_back(match);
  }
  if (!walk) return first;
  return firstMatches(chunk.substr(restBegin, end - restBegin), lineMatches_, matcher);
}

void LogScanner::endLine(std::string_view chunk, std::size_t from, std::size_t end) {
  if (inPieces_) {
    pieces_.feed(chunk.substr(from, end - from));
    ++tally_.read;
    // The record's address lives in the parser: count it before the parser is reset.
    if (const std::optional<Record> record = pieces_.finish()) {
      counter_.count(*record, counts_);
    } else {
      ++tally_.notUnderstood;
    }
    pieces_.reset();
    inPieces_ = false;
    return;
  }
  // Parsed in its place in the queue: see parseHead.
  Record& record = queued_[queuedCount_];
  std::size_t restStart = 0;
  if (end == from) return;
  ++tally_.read;
  if (!parseHead(chunk.substr(from, end - from), &restStart, record)) {
    ++tally_.notUnderstood;
    return;
  }
  if (catalogue_ != nullptr) {
    const FirstMatches first = matchesInRest(chunk, from + restStart, end);
    record.crawler = first.crawler;
    if (first.catalogueLine != kNoCatalogueLine)
      record.catalogued = catalogue_->matcher().crawlerOf(first.catalogueLine);
  } else {
    record.crawler = crawlerInRest(chunk, from + restStart, end);
  }
  counter_.prefetch(record);
  if (++queuedCount_ == kQueuedRecords) countQueued();
}

void LogScanner::countQueued() {
  for (std::size_t i = 0; i < queuedCount_; ++i) counter_.count(queued_[i], counts_);
  queuedCount_ = 0;
}

void LogScanner::feed(std::string_view chunk) {
  if (chunk.empty()) return;
  if (seekDateLabel_ && !dateLabel_.complete()) dateLabel_.feed(chunk);
  index_.build(chunk, /*findCrawlerCandidates=*/catalogue_ == nullptr);
  nextCandidate_ = 0;
  if (catalogue_ != nullptr) catalogue_->search(chunk, catalogueMatches_);
  nextMatch_ = 0;
  std::size_t from = 0;
  if (lastWasCr_ && chunk[0] == '\n') {  // the LF of a CR LF split between chunks
    if (lineEnds_ == LineEnds::Undecided) lineEnds_ = LineEnds::CrLf;
    from = 1;
  }
  for (const std::uint32_t at : index_.lineBreaks()) {
    if (at < from) continue;  // the LF of a CR LF already ended
    if (chunk[at] == '\n') {
      if (lineEnds_ == LineEnds::CrLf) continue;  // a bare LF is part of the line
      lineEnds_ = LineEnds::BareLf;               // the first LF of the file decides
      endLine(chunk, from, at);
      from = at + 1;
      continue;
    }
    endLine(chunk, from, at);
    const bool lfFollows = at + 1 < chunk.size() && chunk[at + 1] == '\n';
    if (lfFollows && lineEnds_ == LineEnds::Undecided) lineEnds_ = LineEnds::CrLf;
    from = at + (lfFollows ? 2 : 1);
  }
  countQueued();  // the records point into the chunk
  if (from < chunk.size()) {
    pieces_.feed(chunk.substr(from));
    inPieces_ = true;
  }
  lastWasCr_ = chunk.back() == '\r';
}

void LogScanner::finish() {
  if (inPieces_) endLine({}, 0, 0);
}

}  // namespace crawlmeter
