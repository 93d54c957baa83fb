// The interface every reader of a log format implements: it reads one line and tells whether it
// is a record (with the record's address, time and other fields), a directive, or not understood.
// A run counts the records of every format with the same rules; see format_scanner.h.
#pragma once

#include <string>
#include <string_view>

#include "logformat/civil_time.h"

namespace crawlmeter {

enum class LineKind {
  kRecord,         // a request: fields are filled
  kDirective,      // a line about the log itself ("#Fields: ..."): counts for nothing
  kNotUnderstood,  // counted among the file's lines not understood
};

// What a record's others hold.
enum class OthersShape {
  kFields,          // the fields but the address and the agent, each followed by '\t'
  kPositionalRest,  // the rest of a positional line from the space after the address, quotes and
                    // all, then '\t': the agent is in it, where a positional line has it
};

struct RecordFields {
  std::string address;  // the client's address, after the format's decoding
  CivilTime time;
  // Every other field of the record, after the format's decoding ('+' and %XX in W3C logs, JSON
  // escapes), in the shape `shape` says: the crawler texts are searched here and in the agent.
  std::string others;
  OthersShape shape = OthersShape::kFields;
  // The user agent, decoded as the others are, when the format has a field for it: a record whose
  // layout names no agent field has none (hasAgent false), which is not the same as an empty
  // agent. Always empty for kPositionalRest.
  std::string agent;
  bool hasAgent = false;

  void clear() {
    address.clear();
    others.clear();
    shape = OthersShape::kFields;
    agent.clear();
    hasAgent = false;
    time = CivilTime();
  }
};

class LineReader {
 public:
  virtual ~LineReader() = default;
  // Reads one line: without its line end, never empty, at most kLongestRecordBytes long.
  virtual LineKind read(std::string_view line, RecordFields& fields) = 0;
  // What a reader of a later piece of the same file must be given to read on from here: the
  // "#Fields:" and "#Date:" directives in effect for a W3C log; empty for formats whose lines
  // stand alone.
  virtual std::string carriedState() const { return {}; }
};

// What some servers write before a UTF-8 log's first line; it belongs to no record.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Longer lines are not understood, and never held whole: a log line of 100 MB must not take
// memory with it. Real records are well under a few kilobytes.
inline constexpr std::size_t kLongestRecordBytes = 1 << 20;

}  // namespace crawlmeter
