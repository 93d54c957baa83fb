// The seam between the program's words, written in English in the code, and the language a user
// reads them in: the command asks gettext, the window a table of Chinese compiled in.
//
// An English text the user may read is marked with translatable() (or passed to Message), so that
// xgettext finds it for po/crawlmeter.pot. A text with arguments has "%s" where each goes ("%1$s",
// "%2$s", ... when a translation takes them in another order); a text without any is shown as it
// stands, '%' and all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace crawlmeter {

// Marks english as a text to translate and gives it back unchanged.
constexpr const char* translatable(const char* english) { return english; }

// Puts the program's English texts into one language. This one keeps them English.
class Wording {
 public:
  virtual ~Wording() = default;
  // english in this wording's language; english itself when it has no translation.
  virtual std::string_view text(const char* english) const { return english; }
};

// Words kept in English until they are shown, so that one failure can be told in the window's
// language and in the command's: a translatable text and its arguments, each of them words that
// are never translated (a path, a number) or a Message of its own.
class Message {
 public:
  Message() = default;
  // english is a translatable() text (it outlives the Message); each part is a std::string,
  // shown as it is, or a Message.
  template <typename... Parts>
  explicit Message(const char* english, Parts&&... parts) : english_(english) {
    (arguments_.push_back(argument(std::forward<Parts>(parts))), ...);
  }
  // Words shown as they are in every language.
  static Message verbatim(std::string words);

  bool empty() const { return english_ == nullptr && verbatim_.empty(); }
  // The words in wording's language, the arguments put in their places.
  std::string text(const Wording& wording) const;

 private:
  static Message argument(Message message) { return message; }
  static Message argument(std::string words) { return verbatim(std::move(words)); }

  const char* english_ = nullptr;  // null for verbatim words
  std::string verbatim_;
  std::vector<Message> arguments_;
};

}  // namespace crawlmeter
