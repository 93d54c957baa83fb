// Text built by appending pieces, numbers written without the locale (a user's decimal comma
// must never reach SVG or JSON).
#pragma once

#include <charconv>
#include <concepts>
#include <string>
#include <string_view>

namespace crawlmeter {

class Markup {
 public:
  Markup& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }
  Markup& operator<<(char c) {
    text_ += c;
    return *this;
  }
  template <std::integral Number>
  Markup& operator<<(Number number) {
    char buffer[24];
    text_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, number).ptr);
    return *this;
  }
  // One decimal place: chart coordinates need no more.
  Markup& operator<<(double number) {
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed, 1);
    text_.append(buffer, end.ptr);
    return *this;
  }

  const std::string& text() const { return text_; }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace crawlmeter
