// Undoing the configuration's quoting around a log format: nginx's (quoted pieces joined, escapes
// \" \' \\ \t \r \n) and Apache's (\" inside double quotes).
#include "logformat/format_directive.h"

#include <array>
#include <cctype>

namespace crawlmeter {
namespace {

// The formats Apache's default configuration names, which a CustomLog line may use by name.
struct Nickname {
  std::string_view name;
  std::string_view format;
};
constexpr std::array<Nickname, 3> kApacheNicknames = {{
    {"common", R"(%h %l %u %t "%r" %>s %b)"},
    {"combined", R"(%h %l %u %t "%r" %>s %b "%{Referer}i" "%{User-agent}i")"},
    {"vhost_combined", R"(%v:%p %h %l %u %t "%r" %>s %O "%{Referer}i" "%{User-Agent}i")"},
}};

struct Word {
  std::string text;
  bool quoted = false;
};

enum class Read { kWord, kEnd, kOpenQuote };

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The character nginx's \c stands for inside quotes; 0 when it keeps the backslash.
char nginxEscaped(char c) {
  switch (c) {
    case 't':
      return '\t';
    case 'r':
      return '\r';
    case 'n':
      return '\n';
    case '"':
    case '\'':
    case '\\':
      return c;
    default:
      return 0;
  }
}

// The quoted string at the start of *rest (its quote included), unquoted into *word.
Read quotedWord(std::string_view* rest, bool nginx, Word* word) {
  const char quote = (*rest)[0];
  for (std::size_t at = 1; at < rest->size(); ++at) {
    const char c = (*rest)[at];
    if (c == quote) {
      rest->remove_prefix(at + 1);
      word->quoted = true;
      return Read::kWord;
    }
    const char next = at + 1 < rest->size() ? (*rest)[at + 1] : '\0';
    const char escaped = nginx ? nginxEscaped(next) : (next == quote ? quote : '\0');
    if (c == '\\' && escaped != '\0') {
      word->text += escaped;
      ++at;
    } else {
      word->text += c;
    }
  }
  return Read::kOpenQuote;
}

// The next word of a configuration line: a quoted string, or text up to a space (or nginx's ';',
// which ends the directive).
Read nextWord(std::string_view* rest, bool nginx, Word* word) {
  *word = Word();
  while (!rest->empty() && isSpace(rest->front())) rest->remove_prefix(1);
  if (rest->empty() || (nginx && rest->front() == ';')) return Read::kEnd;
  if (rest->front() == '"' || rest->front() == '\'') return quotedWord(rest, nginx, word);
  std::size_t end = 0;
  while (end < rest->size() && !isSpace((*rest)[end]) && !(nginx && (*rest)[end] == ';')) ++end;
  word->text = rest->substr(0, end);
  rest->remove_prefix(end);
  return Read::kWord;
}

// nginx's pieces up to the ';', joined; the first may be escape=... when escapeAllowed.
std::optional<PastedFormat> nginxPieces(std::string_view rest, bool escapeAllowed,
                                        Message* problem) {
  PastedFormat pasted;
  pasted.syntax = FormatSyntax::kNginx;
  Word word;
  for (Read read; (read = nextWord(&rest, true, &word)) != Read::kEnd;) {
    if (read == Read::kOpenQuote) {
      *problem = Message(translatable("the log format has a quote that is not closed"));
      return std::nullopt;
    }
    if (escapeAllowed && !word.quoted && word.text.starts_with("escape=")) {
      const std::string_view escape = std::string_view(word.text).substr(7);
      if (escape != "default" && escape != "json" && escape != "none") {
        *problem =
            Message(translatable("unknown escape=%s in the log format (default, json or none)"),
                    std::string(escape));
        return std::nullopt;
      }
      pasted.jsonEscapes = escape == "json";
      pasted.noEscapes = escape == "none";
    } else {
      pasted.format += word.text;
    }
    escapeAllowed = false;
  }
  return pasted;
}

// Apache's format: the word after skipWords words, quoted or one of the default nicknames.
std::optional<PastedFormat> apacheFormat(std::string_view rest, int skipWords, Message* problem) {
  Word word;
  Read read = Read::kEnd;
  for (int i = 0; i <= skipWords; ++i) read = nextWord(&rest, false, &word);
  if (read == Read::kOpenQuote) {
    *problem = Message(translatable("the log format has a quote that is not closed"));
    return std::nullopt;
  }
  PastedFormat pasted;
  pasted.syntax = FormatSyntax::kApache;
  pasted.format = word.text;
  if (read == Read::kWord && !word.quoted && word.text.find('%') == std::string::npos) {
    for (const Nickname& nickname : kApacheNicknames) {
      if (word.text == nickname.name) pasted.format = nickname.format;
    }
    if (pasted.format == word.text) {
      *problem = Message(translatable("the log format names a format defined elsewhere: %s "
                                      "(paste its LogFormat line instead)"),
                         word.text);
      return std::nullopt;
    }
  }
  return pasted;
}

// Whether text starts with the directive name, in any case, and a space.
bool startsWithDirective(std::string_view text, std::string_view name) {
  if (text.size() <= name.size() || !isSpace(text[name.size()])) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != name[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<PastedFormat> unwrapFormat(std::string_view text, Message* problem) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  std::optional<PastedFormat> pasted;
  if (startsWithDirective(text, "log_format")) {
    Word name;
    text.remove_prefix(10);
    if (nextWord(&text, true, &name) != Read::kWord) text = {};
    pasted = nginxPieces(text, true, problem);
  } else if (startsWithDirective(text, "logformat")) {
    pasted = apacheFormat(text.substr(9), 0, problem);
  } else if (startsWithDirective(text, "customlog")) {
    pasted = apacheFormat(text.substr(9), 1, problem);
  } else if (text.starts_with('\'')) {
    pasted = nginxPieces(text, false, problem);
  } else {
    pasted = PastedFormat{std::string(text)};
  }
  if (pasted && pasted->format.empty()) {
    *problem = Message(translatable("the log format is empty"));
    return std::nullopt;
  }
  return pasted;
}

}  // namespace crawlmeter
