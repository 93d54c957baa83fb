// Where a positional line says its user agent: the third double-quoted field of the line's rest
// (from the first space after the address on), as Apache's and nginx's combined formats and every
// format restated from another log put it. Inside a field a backslash escapes the byte after it,
// as both servers write a quote or a backslash of a header. A rest with fewer than three fields, or
// whose agent is longer than kLongestAgentField, has no agent field: its crawler is then looked for
// in the whole rest, as for logs without agents.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace crawlmeter {

inline constexpr std::size_t kLongestAgentField = 8 << 10;
inline constexpr int kAgentFieldNumber = 3;

// The agent field of a line's rest that arrives in pieces, as its bytes stand (escapes kept); it
// keeps at most the agent's bytes. (A line inside a chunk is read by the chunk's quotes: see
// LogScanner.)
class AgentFieldReader {
 public:
  void feed(std::string_view piece);
  std::optional<std::string_view> agent() const;

 private:
  int fieldsOpened_ = 0;
  bool inField_ = false;
  bool escaped_ = false;
  bool agentClosed_ = false;
  bool tooLong_ = false;
  std::string agent_;
};

}  // namespace crawlmeter
