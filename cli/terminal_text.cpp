// Control characters of UTF-8 text: single bytes below 0x20 and 0x7F, and U+0080..U+009F, which
// UTF-8 writes as 0xC2 followed by 0x80..0x9F.
#include "terminal_text.h"

namespace crawlmeter {

std::string terminalSafe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const bool c1 = byte == 0xC2 && at + 1 < text.size() &&
                    static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[at + 1]) <= 0x9F;
    if (c1) ++at;
    safe += (byte < 0x20 && byte != '\n') || byte == 0x7F || c1 ? '?' : text[at];
  }
  return safe;
}

}  // namespace crawlmeter
