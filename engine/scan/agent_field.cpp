// The agent field of a line that straddles chunks, byte by byte.
#include "scan/agent_field.h"

namespace crawlmeter {
void AgentFieldReader::feed(std::string_view piece) {
  for (const char c : piece) {
    if (agentClosed_) return;
    if (!inField_) {
      if (c == '"') {
        inField_ = true;
        ++fieldsOpened_;
      }
      continue;
    }
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      inField_ = false;
      agentClosed_ = fieldsOpened_ == kAgentFieldNumber;
      continue;
    }
    if (fieldsOpened_ != kAgentFieldNumber || tooLong_) continue;
    if (agent_.size() == kLongestAgentField) {
      tooLong_ = true;
      agent_.clear();
    } else {
      agent_.push_back(c);
    }
  }
}

std::optional<std::string_view> AgentFieldReader::agent() const {
  if (!agentClosed_ || tooLong_) return std::nullopt;
  return std::string_view(agent_);
}

}  // namespace crawlmeter
