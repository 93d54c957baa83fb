// Line splitting for the readers, and the restatement of their records as positional lines.
#include "logformat/format_scanner.h"

#include <algorithm>
#include <cstring>

#include "logformat/byte_blocks.h"

namespace crawlmeter {
namespace {

// Appends text with each byte of from (a string literal) made a tab, in one pass that copies as
// it replaces: CR and LF would end the positional line, a space would end its address, a quote
// would open a quoted field.
template <std::size_t N>
void appendTabbed(std::string& out, std::string_view text, const char (&from)[N]) {
  const std::size_t start = out.size();
  out.resize(start + text.size());
  byte_blocks::copyReplacing(out.data() + start, text.data(), text.size(), from, '\t');
}

// The agent as the third quoted field of a positional line's rest, two empty ones before it:
// inside the quotes a backslash escapes the byte after it, as Apache writes its fields.
void appendQuotedAgent(std::string& out, std::string_view agent) {
  out.append(" \"\" \"\" \"");
  const bool plain =
      agent.find('\\') == std::string_view::npos && agent.find('"') == std::string_view::npos;
  if (plain) {
    appendTabbed(out, agent, "\r\n");
  } else {
    for (const char c : agent) {
      if (c == '\\' || c == '"') out.push_back('\\');
      out.push_back(c == '\r' || c == '\n' ? '\t' : c);
    }
  }
  out.push_back('"');
}

}  // namespace

FormatScanner::FormatScanner(std::unique_ptr<LineReader> reader, RecordCounter& counter,
                             FileCounts& counts, CrawlerSearch* catalogue,
                             const std::optional<TimeZone>& zone)
    : reader_(std::move(reader)),
      zone_(zone),
      positional_(counter, counts, LineEnds::BareLf, catalogue) {
  positional_.withoutDateLabel();
}

void FormatScanner::feed(std::string_view chunk) {
  while (!chunk.empty()) {
    const char* lf = static_cast<const char*>(std::memchr(chunk.data(), '\n', chunk.size()));
    const std::size_t end =
        lf == nullptr ? chunk.size() : static_cast<std::size_t>(lf - chunk.data());
    const std::string_view part = chunk.substr(0, end);
    if (lf != nullptr && partial_.empty() && !overlong_) {
      takeLine(part);  // the common case: a whole line inside the chunk, read in place
    } else {
      holdPart(part);
      if (lf == nullptr) return;
      takeLine(partial_);
      partial_.clear();
    }
    overlong_ = false;
    chunk.remove_prefix(end + 1);
  }
}

void FormatScanner::holdPart(std::string_view part) {
  if (!overlong_ && partial_.size() + part.size() > kLongestRecordBytes) {
    overlong_ = true;
    partial_.clear();
  }
  if (!overlong_) partial_.append(part);
}

void FormatScanner::finish() {
  if (!partial_.empty() || overlong_) takeLine(partial_);
  partial_.clear();
  overlong_ = false;
  flush();
  positional_.finish();
}

void FormatScanner::takeLine(std::string_view line) {
  if (firstLine_ && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
  firstLine_ = false;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() && !overlong_) return;
  ++tally_.read;
  if (overlong_ || line.size() > kLongestRecordBytes) {
    ++tally_.notUnderstood;
    return;
  }
  fields_.clear();
  switch (reader_->read(line, fields_)) {
    case LineKind::kRecord:
      if (zone_) fields_.time = zone_->convert(fields_.time);
      restate(fields_);
      break;
    case LineKind::kDirective:
      break;
    case LineKind::kNotUnderstood:
      ++tally_.notUnderstood;
      break;
  }
}

void appendRestated(const RecordFields& fields, std::string& out) {
  appendTabbed(out, fields.address, "\r\n ");
  const char hour[] = {' ', ':', static_cast<char>('0' + fields.time.hour / 10),
                       static_cast<char>('0' + fields.time.hour % 10), '\t'};
  out.append(hour, sizeof hour);
  if (fields.shape == OthersShape::kPositionalRest) {
    appendTabbed(out, fields.others, "\r\n");
  } else {
    appendTabbed(out, fields.others, "\r\n\"");
    if (fields.hasAgent) appendQuotedAgent(out, fields.agent);
  }
  out.push_back('\n');
}

void FormatScanner::restate(const RecordFields& fields) {
  if (dateLabel_.empty()) dateLabel_ = dateLabelOf(fields.time);
  appendRestated(fields, batch_);
  if (batch_.size() >= kBatchBytes) flush();
}

void FormatScanner::flush() {
  if (batch_.empty()) return;
  positional_.feed(batch_);
  batch_.clear();
}

}  // namespace crawlmeter
