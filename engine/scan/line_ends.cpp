// The CR insertion, by byte search for LF: LF is never part of a two-byte character.
#include "scan/line_ends.h"

namespace crawlmeter {

void LineEndConverter::convert(std::string_view bytes, std::string& out) {
  std::size_t from = 0;
  while (from < bytes.size()) {
    const std::size_t lf = bytes.find('\n', from);
    if (lf == std::string_view::npos) break;
    out.append(bytes.substr(from, lf - from));
    const bool crBefore = lf > 0 ? bytes[lf - 1] == '\r' : lastWasCr_;
    out.append(crBefore ? "\n" : "\r\n");
    from = lf + 1;
  }
  out.append(bytes.substr(from));
  if (!bytes.empty()) lastWasCr_ = bytes.back() == '\r';
}

}  // namespace crawlmeter
