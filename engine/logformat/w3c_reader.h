// The reader of W3C extended logs, as IIS 6 to 10 and CloudFront write them: a "#Fields:"
// directive names the fields of the records below it, and may change mid-file after a restart.
//
// Records are split at tabs when the line holds one (CloudFront) and at spaces otherwise (IIS).
// A record before any "#Fields:", with another number of fields than the layout names, without a
// c-ip field or whose date and time do not parse is not understood. A layout without a date field
// takes the date of the last "#Date:" directive; one without a time field is never understood,
// since its records have no hour.
//
// Decoding, done once per field into RecordFields::others (the first cs(User-Agent) into its
// agent instead): in space-separated records '+' stands for a space in cs(User-Agent),
// cs(Referer) and cs(Cookie), as IIS writes them; in tab-separated records %XX is decoded once in
// cs(User-Agent), cs(Referer), cs-uri-query and cs(Cookie). A layout without cs(User-Agent) gives
// records without an agent. Field names are compared without regard to ASCII case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/line_reader.h"

namespace crawlmeter {

class W3cReader : public LineReader {
 public:
  // state: what carriedState() gave the reader of the piece before, or empty at a file's start.
  explicit W3cReader(std::string_view state = {});

  LineKind read(std::string_view line, RecordFields& fields) override;
  // The "#Fields:" line in effect, as read (empty before the first), and on a line of its own
  // the date of the last "#Date:" directive, when one was read.
  std::string carriedState() const override;

 private:
  // What a field's value is decoded from: '+' in spaced records and %XX in tabbed ones, or %XX
  // in tabbed ones only.
  enum class Decoding { kNone, kPlusOrPercent, kPercentWhenTabbed };
  static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);

  void setLayout(std::string_view directive);
  void setDate(std::string_view directive);
  bool split(std::string_view line, char separator);
  void appendTabbedOthers(std::string& others) const;
  void appendSpacedOthers(std::string_view line, std::string& others) const;
  void takeAgent(bool tabbed, RecordFields& fields) const;

  std::string fieldsDirective_;
  bool haveLayout_ = false;
  std::vector<Decoding> decodings_;  // one per field of the layout, in order
  std::size_t addressField_ = kAbsent;
  std::size_t agentField_ = kAbsent;  // the first cs(User-Agent)
  std::size_t dateField_ = kAbsent;
  std::size_t timeField_ = kAbsent;
  std::string directiveDate_;              // "2026-03-17" from the last "#Date:", or empty
  std::vector<std::string_view> values_;   // the current record's fields, reused line after line
  std::vector<std::uint32_t> separators_;  // where the current record's separators are
};

// Whether a file's first line opens a W3C extended log: it starts with one of its directives.
bool looksLikeW3cHeader(std::string_view firstLine);

}  // namespace crawlmeter
