// A user's own log format, as pasted from a server's configuration (an nginx log_format, an Apache
// LogFormat or CustomLog line, or just the format string): the literal text between its fields
// and what each field holds, for TemplateReader.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/wording.h"
#include "logformat/time_pattern.h"

namespace crawlmeter {

enum class FieldRole {
  kAddress,  // the first of $remote_addr, $realip_remote_addr, %h, %a
  kTime,     // the first time directive that says a whole time
  kAgent,    // the first $http_user_agent or %{User-Agent}i, the name in any letter case
  kOther,
};

// How the server escapes bytes inside the values it writes; the others are decoded back.
enum class ValueEscaping {
  kApache,  // \" \\ \xhh
  kNginx,   // \xHH (nginx's escape=default)
  kJson,    // JSON's escapes (nginx's escape=json)
  kNone,
};

struct TemplateField {
  FieldRole role = FieldRole::kOther;
  std::string name;  // as the format writes it ("$remote_addr", "%{Referer}i"), for messages
  // A time directive's shape: its value ends where the shape ends. Without one, the value runs
  // to the next occurrence of `following`, or to the line's end.
  std::optional<TimePattern> time;
  std::string following;  // the literal text between this field and the next, or the line's end
};

struct LogTemplate {
  std::string leading;  // the literal text before the first field
  std::vector<TemplateField> fields;
  ValueEscaping escaping = ValueEscaping::kApache;
};

// The template text describes; nothing, with *problem saying what is wrong or missing, when it
// cannot be read or has no client address or no time. `$` variables are nginx's syntax, `%`
// directives Apache's.
std::optional<LogTemplate> parseLogTemplate(std::string_view text, Message* problem);

}  // namespace crawlmeter
