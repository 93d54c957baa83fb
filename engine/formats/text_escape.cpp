// UTF-8 validation by the standard's table of well-formed sequences, and the three quotings.
#include "formats/text_escape.h"

namespace crawlmeter {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at bytes[at], or 0 when there is none: overlong
// forms, surrogates and code points past U+10FFFF are not well-formed.
std::size_t sequenceLength(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > bytes.size() || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

// Every quoting walks characters, not bytes, so that an invalid byte is replaced as a whole and
// never splits an escape.
template <typename Emit>
void forEachCharacter(std::string_view bytes, Emit emit) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = sequenceLength(bytes, at);
    emit(length == 0 ? kReplacement : bytes.substr(at, length));
    at += length == 0 ? 1 : length;
  }
}

}  // namespace

std::string validUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  forEachCharacter(bytes, [&](std::string_view character) { text += character; });
  return text;
}

std::string csvField(std::string_view bytes) {
  const std::string text = validUtf8(bytes);
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  field += '"';
  return field;
}

std::string jsonString(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text = "\"";
  forEachCharacter(bytes, [&](std::string_view character) {
    const auto c = static_cast<unsigned char>(character[0]);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      text += "\\u00";
      text += kHex[c >> 4];
      text += kHex[c & 0xF];
    } else {
      text += character;
    }
  });
  text += '"';
  return text;
}

std::string htmlEscaped(std::string_view bytes) {
  std::string text;
  forEachCharacter(bytes, [&](std::string_view character) {
    switch (const auto c = static_cast<unsigned char>(character[0])) {
      case '&':
        text += "&amp;";
        break;
      case '<':
        text += "&lt;";
        break;
      case '>':
        text += "&gt;";
        break;
      case '"':
        text += "&quot;";
        break;
      case '\'':
        text += "&#39;";
        break;
      default:
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
          text += kReplacement;
        } else {
          text += character;
        }
    }
  });
  return text;
}

}  // namespace crawlmeter
