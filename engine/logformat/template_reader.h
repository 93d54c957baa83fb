// Reads the lines of a log written in a user's own format (see log_template.h): literal text must
// match, a field's value runs to the next occurrence of the literal after it, a time to where its
// shape ends.
#pragma once

#include <string_view>

#include "logformat/line_reader.h"
#include "logformat/log_template.h"

namespace crawlmeter {

class TemplateReader : public LineReader {
 public:
  explicit TemplateReader(LogTemplate format) : template_(std::move(format)) {}

  // A record when the whole line matches the template and its time parses; others are every
  // field but the address and the agent, decoded as the server escapes them, and the agent (when
  // the template has one) is decoded the same way.
  LineKind read(std::string_view line, RecordFields& fields) override;

 private:
  // Where the value of field i, starting at `at`, ends; npos when the line does not match.
  std::size_t valueEnd(std::string_view line, std::size_t at, std::size_t i,
                       RecordFields* fields) const;

  LogTemplate template_;
};

}  // namespace crawlmeter
