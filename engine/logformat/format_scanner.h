// Counts a log written in a format other than the positional one: a reader of that format finds
// each record's address, time and other fields, and the records are counted by the same rules as
// positional lines.
//
// Each record is restated as a positional line (see appendRestated) and counted by a LogScanner,
// so hour-runs, distinct addresses, the six crawler texts and the catalogue are the very same
// code for every format. Lines are split at LF (a CR before it is dropped); a line
// longer than kLongestRecordBytes is not understood and never held whole.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/time_zone.h"
#include "logformat/line_reader.h"
#include "scan/log_scanner.h"

namespace crawlmeter {

// Appends the record restated as a positional line, "ADDRESS :HH\tOTHERS\n": the positional
// reading takes the address before the first space, the hour after the first ':' behind it, and
// searches the crawler texts from that space on. CR and LF are made tabs everywhere, spaces in the
// address. Others of the kPositionalRest shape are the line's own rest, its quoted fields as they
// were; in others of the kFields shape each '"' is made a tab too, and the agent, when the record
// has one, follows them as the third quoted field, ` "" "" "AGENT"`, with '\\' and '"' in it
// escaped by a backslash: so the agent stands where it stands in a positional line.
void appendRestated(const RecordFields& fields, std::string& out);

class FormatScanner {
 public:
  // A record's time is converted to zone, when given, before its hour and date are taken.
  FormatScanner(std::unique_ptr<LineReader> reader, RecordCounter& counter, FileCounts& counts,
                CrawlerSearch* catalogue, const std::optional<TimeZone>& zone);

  // Takes the next bytes of the unit.
  void feed(std::string_view chunk);
  // The end of the unit ends its last line.
  void finish();

  // The date of the first record, as "17/Mar/2026"; empty when no record was read.
  const std::string& dateLabel() const { return dateLabel_; }
  const LineTally& tally() const { return tally_; }
  // What a reader of the lines after this unit needs (see LineReader::carriedState).
  std::string carriedState() const { return reader_->carriedState(); }

 private:
  // Keeps part of a line that straddles chunks, unless the line is already too long to keep.
  void holdPart(std::string_view part);
  void takeLine(std::string_view line);
  void restate(const RecordFields& fields);
  void flush();

  // Restated lines are counted in batches of about this size, so that the scanner's chunk-wide
  // passes (line breaks, crawler candidates, the catalogue's search) keep their speed.
  static constexpr std::size_t kBatchBytes = 256 << 10;

  std::unique_ptr<LineReader> reader_;
  LineTally tally_;
  std::optional<TimeZone> zone_;  // this scanner's own copy: a lookup changes it
  LogScanner positional_;
  RecordFields fields_;
  std::string partial_;    // the start of a line that straddles chunks
  bool overlong_ = false;  // the current line passed kLongestRecordBytes
  bool firstLine_ = true;
  std::string batch_;
  std::string dateLabel_;
};

}  // namespace crawlmeter
