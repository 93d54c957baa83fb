// A user's JSON keys: the dotted paths of the address, the time and the user agent, read from
// "address=KEY,time=KEY,agent=KEY", with a message for each way the text can be wrong.
#include <array>
#include <charconv>

#include "logformat/json_reader.h"

namespace crawlmeter {
namespace {

// The keys a user may give, in the order JsonKeys has them.
constexpr std::array<std::string_view, 3> kKeyNames = {"address", "time", "agent"};

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Appends one segment of a path ("name", "name[2]", "name[0][1]") to path; false when it is not
// a non-empty name followed by any number of [N].
bool appendSegment(std::string_view segment, KeyPath& path) {
  const std::size_t bracket = segment.find('[');
  const std::string_view name = segment.substr(0, bracket);
  if (name.empty() || name.find(']') != std::string_view::npos) return false;
  path.emplace_back(std::string(name));
  std::string_view rest = bracket == std::string_view::npos ? "" : segment.substr(bracket);
  while (!rest.empty()) {
    const std::size_t close = rest.find(']');
    if (rest.front() != '[' || close == std::string_view::npos || close == 1) return false;
    std::size_t element = 0;
    const char* digits = rest.data() + 1;
    const auto [end, error] = std::from_chars(digits, rest.data() + close, element);
    if (error != std::errc() || end != rest.data() + close) return false;
    path.emplace_back(element);
    rest.remove_prefix(close + 1);
  }
  return true;
}

bool fail(Message* problem, Message message) {
  if (problem != nullptr) *problem = std::move(message);
  return false;
}

// Reads one "name=KEY" into found (indexed as kKeyNames).
bool readKey(std::string_view item, std::array<std::optional<KeyPath>, 3>& found,
             Message* problem) {
  const std::size_t equals = item.find('=');
  if (equals == std::string_view::npos) {
    return fail(problem, Message(translatable("'%s' in the JSON keys has no '=' (address=KEY, "
                                              "time=KEY, agent=KEY)"),
                                 std::string(item)));
  }
  const std::string_view name = trimmed(item.substr(0, equals));
  const std::string_view key = trimmed(item.substr(equals + 1));
  std::size_t slot = 0;
  while (slot < kKeyNames.size() && kKeyNames[slot] != name) ++slot;
  if (slot == kKeyNames.size()) {
    return fail(problem, Message(translatable("unknown name '%s' in the JSON keys (address, time "
                                              "or agent)"),
                                 std::string(name)));
  }
  if (found[slot]) {
    return fail(problem,
                Message(translatable("%s is given twice in the JSON keys"), std::string(name)));
  }
  if (key.empty()) {
    return fail(problem, Message(translatable("the JSON key of %s is empty"), std::string(name)));
  }
  found[slot] = parseKeyPath(key);
  if (!found[slot]) {
    return fail(problem, Message(translatable("the JSON key '%s' is not names joined by '.', "
                                              "each with any [N] after it"),
                                 std::string(key)));
  }
  return true;
}

}  // namespace

std::optional<KeyPath> parseKeyPath(std::string_view text) {
  KeyPath path;
  while (true) {
    const std::size_t dot = text.find('.');
    if (!appendSegment(text.substr(0, dot), path)) return std::nullopt;
    if (dot == std::string_view::npos) return path;
    text.remove_prefix(dot + 1);
  }
}

std::optional<JsonKeys> parseJsonKeys(std::string_view text, Message* problem) {
  std::array<std::optional<KeyPath>, 3> found;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = trimmed(text.substr(0, comma));
    if (!item.empty() && !readKey(item, found, problem)) return std::nullopt;
    text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
  }
  for (std::size_t slot = 0; slot < 2; ++slot) {
    if (!found[slot]) {
      fail(problem,
           Message(translatable("the JSON keys lack %s=KEY"), std::string(kKeyNames[slot])));
      return std::nullopt;
    }
  }
  return JsonKeys{std::move(*found[0]), std::move(*found[1]), std::move(found[2])};
}

}  // namespace crawlmeter
