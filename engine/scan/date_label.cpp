// The date label scan: '[' can be the second byte of a two-byte character, so the search for it
// follows the character boundaries; ':' cannot, so the label ends at the first ':' byte.
#include "scan/date_label.h"

#include <algorithm>

#include "codec/cp936.h"

namespace crawlmeter {

void DateLabelScanner::seekBracket(std::string_view& bytes) {
  std::size_t at = 0;
  if (secondByteNext_ && !bytes.empty()) {
    secondByteNext_ = false;
    if (isTrailByte(static_cast<unsigned char>(bytes[0]))) at = 1;
  }
  while (at < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == '[') {
      state_ = State::Collect;
      bytes.remove_prefix(at + 1);
      return;
    }
    if (isLeadByte(byte)) {
      if (at + 1 == bytes.size()) secondByteNext_ = true;
      at += characterLength(bytes, at);
    } else {
      ++at;
    }
  }
  bytes = {};
}

void DateLabelScanner::feed(std::string_view bytes) {
  if (state_ == State::SeekBracket) seekBracket(bytes);
  if (state_ != State::Collect || bytes.empty()) return;
  const std::size_t colon = bytes.find(':');
  const std::string_view part = bytes.substr(0, colon);
  labelBytes_.append(
      part.substr(0, kLongestLabelBytes - std::min(kLongestLabelBytes, labelBytes_.size())));
  if (colon != std::string_view::npos) state_ = State::Complete;
}

Expected<std::string> DateLabelScanner::label() const {
  if (!complete()) return std::string();
  return decodeCp936(labelBytes_);
}

}  // namespace crawlmeter
