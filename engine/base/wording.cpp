// Putting a message's arguments into its translated text: "%s" takes the next argument, "%N$s" the
// Nth and "%%" is a '%', as printf and gettext's format checks have them.
#include "base/wording.h"

#include <cstddef>

namespace crawlmeter {
namespace {

// The argument number of a "%N$s" at the start of rest (after the '%'), and its length; 0 when
// rest does not start so.
std::size_t positionOf(std::string_view rest, std::size_t* length) {
  std::size_t digits = 0, number = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') {
    number = number * 10 + static_cast<std::size_t>(rest[digits] - '0');
    ++digits;
  }
  if (digits == 0 || rest.substr(digits, 2) != "$s") return 0;
  *length = digits + 2;
  return number;
}

}  // namespace

Message Message::verbatim(std::string words) {
  Message message;
  message.verbatim_ = std::move(words);
  return message;
}

std::string Message::text(const Wording& wording) const {
  if (english_ == nullptr) return verbatim_;
  const std::string_view format = wording.text(english_);
  if (arguments_.empty()) return std::string(format);
  std::string text;
  std::size_t next = 0;
  for (std::size_t at = 0; at < format.size(); ++at) {
    const std::string_view rest = format.substr(at + 1);
    std::size_t length = 0;
    if (format[at] != '%' || rest.empty()) {
      text += format[at];
    } else if (rest[0] == '%') {
      text += '%';
      ++at;
    } else if (rest[0] == 's') {
      if (next < arguments_.size()) text += arguments_[next++].text(wording);
      ++at;
    } else if (const std::size_t position = positionOf(rest, &length)) {
      if (position <= arguments_.size()) text += arguments_[position - 1].text(wording);
      at += length;
    } else {
      text += '%';
    }
  }
  return text;
}

}  // namespace crawlmeter
