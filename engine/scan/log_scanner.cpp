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

// The quotes the chunk's pass marked, walked once as AgentFieldReader walks the bytes; the
// backslashes before a quote are counted back to the field's start.
std::optional<std::string_view> LogScanner::agentInRest(std::string_view chunk,
                                                        std::size_t restBegin, std::size_t end) {
  constexpr std::size_t kBlock = ChunkIndex::kBlockBytes;
  int fields = 0;
  bool inField = false;
  std::size_t open = 0;
  for (std::size_t block = restBegin / kBlock; block * kBlock < end; ++block) {
    std::uint32_t mask = index_.quoteMask(block);
    if (block == restBegin / kBlock) mask &= ~std::uint32_t{0} << (restBegin % kBlock);
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t at = block * kBlock + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at >= end) return std::nullopt;
      if (!inField) {
        inField = true;
        open = at;
        ++fields;
        continue;
      }
      std::size_t backslashes = 0;
      while (at - backslashes > open + 1 && chunk[at - backslashes - 1] == '\\') ++backslashes;
      if (backslashes % 2 != 0) continue;
      if (fields == kAgentFieldNumber) {
        if (at - open - 1 > kLongestAgentField) return std::nullopt;
        return chunk.substr(open + 1, at - open - 1);
      }
      inField = false;
    }
  }
  return std::nullopt;
}

// A crawler is told by the line's agent; a line without one is searched whole, as before agents
// were known.
void LogScanner::findCatalogueCrawler(std::string_view chunk, std::size_t restBegin,
                                      std::size_t end, Record& record) {
  if (const std::optional<std::string_view> agent = agentInRest(chunk, restBegin, end)) {
    record.agent = catalogue_->agentKey(*agent);  // looked up when the record is counted
    record.judgeAgent = true;
    return;
  }
  const std::string_view rest = chunk.substr(restBegin, end - restBegin);
  catalogue_->search(rest, lineMatches_);
  const CrawlerMatcher& matcher = catalogue_->matcher();
  const std::uint32_t line = firstMatches(rest, lineMatches_, matcher).catalogueLine;
  if (line != kNoCatalogueLine) record.catalogued = matcher.crawlerOf(line);
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
  record.crawler = crawlerInRest(chunk, from + restStart, end);
  if (catalogue_ != nullptr) {
    findCatalogueCrawler(chunk, from + restStart, end, record);
  }
  counter_.prefetch(record);
  if (++queuedCount_ == kQueuedRecords) countQueued();
}

void LogScanner::countQueued() {
  for (std::size_t i = 0; i < queuedCount_; ++i) {
    Record& record = queued_[i];
    if (record.judgeAgent) record.catalogued = catalogue_->crawlerOfAgent(record.agent);
    counter_.count(record, counts_);
  }
  queuedCount_ = 0;
}

void LogScanner::feed(std::string_view chunk) {
  if (chunk.empty()) return;
  if (seekDateLabel_ && !dateLabel_.complete()) dateLabel_.feed(chunk);
  index_.build(chunk, /*findQuotes=*/catalogue_ != nullptr);
  nextCandidate_ = 0;
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
