// Reading nginx's $variables and Apache's %directives into a template: the literal text between
// fields, each field's role, and the shape of its time.
#include "logformat/log_template.h"

#include <algorithm>
#include <array>

#include "logformat/format_directive.h"

namespace crawlmeter {
namespace {

// Apache's directive letters (after its modifiers and {parameter}).
constexpr std::string_view kApacheLetters = "aAbBCDefhHiIklLmnoOpPqrRsStTuUvVX";
constexpr std::string_view kApacheModifiers = "!<>,0123456789";

// Collects literal text and fields, and checks that each field can be told from the next.
class TemplateBuilder {
 public:
  explicit TemplateBuilder(ValueEscaping escaping) { template_.escaping = escaping; }

  void literal(char c) {
    (template_.fields.empty() ? template_.leading : template_.fields.back().following) += c;
  }

  bool field(std::string name, FieldRole role, std::optional<TimePattern> time, Message* problem) {
    if (!template_.fields.empty() && template_.fields.back().following.empty() &&
        !template_.fields.back().time) {
      *problem = Message(translatable("the log format has two fields with no text between them, "
                                      "which cannot be told apart: %s and %s"),
                         template_.fields.back().name, std::move(name));
      return false;
    }
    TemplateField& added = template_.fields.emplace_back();
    added.name = std::move(name);
    if (role == FieldRole::kAddress && !hasAddress_) {
      added.role = FieldRole::kAddress;
      hasAddress_ = true;
    } else if (role == FieldRole::kAgent && !hasAgent_) {
      added.role = FieldRole::kAgent;
      hasAgent_ = true;
    } else if (time && time->complete() && !hasTime_) {
      added.role = FieldRole::kTime;
      hasTime_ = true;
    }
    added.time = std::move(time);
    return true;
  }

  std::optional<LogTemplate> finish(Message* problem) {
    if (!hasAddress_) {
      *problem =
          Message(translatable("the log format has no client address ($remote_addr, %h or %a)"));
      return std::nullopt;
    }
    if (!hasTime_) {
      *problem = Message(
          translatable("the log format has no time ($time_local, $time_iso8601, $msec or %t)"));
      return std::nullopt;
    }
    return std::move(template_);
  }

 private:
  LogTemplate template_;
  bool hasAddress_ = false;
  bool hasTime_ = false;
  bool hasAgent_ = false;
};

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// The shape of nginx's time variables; nothing for other variables.
std::optional<TimePattern> nginxTime(std::string_view name) {
  std::string unknown;
  if (name == "time_local") return TimePattern::strftime("%d/%b/%Y:%H:%M:%S %z", &unknown);
  if (name == "time_iso8601") return TimePattern::strftime("%Y-%m-%dT%H:%M:%S%z", &unknown);
  if (name == "msec") return TimePattern::sinceEpoch(1, 3);
  return std::nullopt;
}

bool isNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// An nginx variable at format[at] ('$'): its name, and where it ends; false with *problem set.
bool nginxVariable(std::string_view format, std::size_t* at, std::string_view* name,
                   Message* problem) {
  const std::size_t start = *at;
  if (format.substr(start + 1, 1) == "{") {
    const std::size_t close = format.find('}', start);
    if (close == std::string_view::npos) {
      *problem = Message(translatable("the log format has a '{' that is not closed: %s"),
                         std::string(format.substr(start, 40)));
      return false;
    }
    *name = format.substr(start + 2, close - start - 2);
    *at = close + 1;
  } else {
    std::size_t end = start + 1;
    while (end < format.size() && isNameCharacter(format[end])) ++end;
    *name = format.substr(start + 1, end - start - 1);
    *at = end;
  }
  if (name->empty()) {
    *problem = Message(translatable("the log format has a '$' without a variable name after it"));
    return false;
  }
  return true;
}

std::optional<LogTemplate> parseNginx(std::string_view format, ValueEscaping escaping,
                                      Message* problem) {
  TemplateBuilder builder(escaping);
  for (std::size_t at = 0; at < format.size();) {
    if (format[at] != '$') {
      builder.literal(format[at++]);
      continue;
    }
    const std::size_t start = at;
    std::string_view name;
    if (!nginxVariable(format, &at, &name, problem)) return std::nullopt;
    // The agent's variable in any letter case, as nginx matches variables' names.
    const FieldRole role = name == "remote_addr" || name == "realip_remote_addr"
                               ? FieldRole::kAddress
                           : sameNameIgnoringCase(name, "http_user_agent") ? FieldRole::kAgent
                                                                           : FieldRole::kOther;
    if (!builder.field(std::string(format.substr(start, at - start)), role, nginxTime(name),
                       problem)) {
      return std::nullopt;
    }
  }
  return builder.finish(problem);
}

// The shape of Apache's %t and %{...}t; nothing, with *problem set, for an unknown conversion.
std::optional<TimePattern> apacheTime(std::string_view parameter, bool braced, Message* problem) {
  std::string unknown;
  if (!braced) return TimePattern::strftime("[%d/%b/%Y:%H:%M:%S %z]", &unknown);
  for (std::string_view prefix : {"begin:", "end:"}) {
    if (parameter.starts_with(prefix)) parameter.remove_prefix(prefix.size());
  }
  if (parameter == "sec") return TimePattern::sinceEpoch(1, 0);
  if (parameter == "msec") return TimePattern::sinceEpoch(1000, 0);
  if (parameter == "usec") return TimePattern::sinceEpoch(1000000, 0);
  if (parameter == "msec_frac") return TimePattern::digits(3);
  if (parameter == "usec_frac") return TimePattern::digits(6);
  auto pattern = TimePattern::strftime(parameter, &unknown);
  if (!pattern) {
    *problem =
        Message(translatable("the log format has a time conversion this program cannot read: %s"),
                std::move(unknown));
  }
  return pattern;
}

// One Apache directive at format[at] ('%'), added to builder; false with *problem set.
bool apacheDirective(std::string_view format, std::size_t* at, TemplateBuilder* builder,
                     Message* problem) {
  const std::size_t start = *at;
  std::size_t next = start + 1;
  std::string_view parameter;
  bool braced = false;
  while (next < format.size() && (kApacheModifiers.find(format[next]) != std::string_view::npos ||
                                  (format[next] == '{' && !braced))) {
    if (format[next] == '{') {
      const std::size_t close = format.find('}', next);
      if (close == std::string_view::npos) {
        *problem = Message(translatable("the log format has a '{' that is not closed: %s"),
                           std::string(format.substr(start, 40)));
        return false;
      }
      parameter = format.substr(next + 1, close - next - 1);
      braced = true;
      next = close;
    }
    ++next;
  }
  const char letter = next < format.size() ? format[next] : '\0';
  *at = next + 1;
  if (letter == '%' && next == start + 1) {
    builder->literal('%');
    return true;
  }
  if (letter == '\0' || kApacheLetters.find(letter) == std::string_view::npos) {
    *problem = Message(translatable("the log format has an unknown directive: %s"),
                       std::string(format.substr(start, *at - start)));
    return false;
  }
  std::optional<TimePattern> time;
  if (letter == 't' && !(time = apacheTime(parameter, braced, problem))) return false;
  // A request header's name is in any letter case, as HTTP has it.
  const FieldRole role = letter == 'h' || letter == 'a' ? FieldRole::kAddress
                         : letter == 'i' && sameNameIgnoringCase(parameter, "User-Agent")
                             ? FieldRole::kAgent
                             : FieldRole::kOther;
  return builder->field(std::string(format.substr(start, *at - start)), role, std::move(time),
                        problem);
}

// The character Apache's \c stands for in a format; 0 when the backslash is kept.
char apacheEscaped(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 't':
      return '\t';
    case '"':
    case '\\':
      return c;
    default:
      return 0;
  }
}

std::optional<LogTemplate> parseApache(std::string_view format, Message* problem) {
  TemplateBuilder builder(ValueEscaping::kApache);
  for (std::size_t at = 0; at < format.size();) {
    const char escaped = at + 1 < format.size() ? apacheEscaped(format[at + 1]) : '\0';
    if (format[at] == '%') {
      if (!apacheDirective(format, &at, &builder, problem)) return std::nullopt;
    } else if (format[at] == '\\' && escaped != '\0') {
      builder.literal(escaped);
      at += 2;
    } else {
      builder.literal(format[at++]);
    }
  }
  return builder.finish(problem);
}

// Which server's syntax a bare format is in: nginx's when it has a $variable and nothing that
// reads as an Apache directive ('%' is plain text to nginx, '$' to Apache).
FormatSyntax syntaxOf(std::string_view format) {
  bool variable = false, directive = false;
  for (std::size_t at = 0; at + 1 < format.size(); ++at) {
    const char next = format[at + 1];
    variable = variable || (format[at] == '$' && (isNameCharacter(next) || next == '{'));
    directive = directive || (format[at] == '%' &&
                              (next == '{' || kApacheLetters.find(next) != std::string_view::npos ||
                               kApacheModifiers.find(next) != std::string_view::npos));
  }
  return variable && !directive ? FormatSyntax::kNginx : FormatSyntax::kApache;
}

}  // namespace

std::optional<LogTemplate> parseLogTemplate(std::string_view text, Message* problem) {
  const auto pasted = unwrapFormat(text, problem);
  if (!pasted) return std::nullopt;
  const FormatSyntax syntax =
      pasted->syntax != FormatSyntax::kUnknown ? pasted->syntax : syntaxOf(pasted->format);
  if (syntax == FormatSyntax::kApache) return parseApache(pasted->format, problem);
  const ValueEscaping escaping = pasted->jsonEscapes ? ValueEscaping::kJson
                                 : pasted->noEscapes ? ValueEscaping::kNone
                                                     : ValueEscaping::kNginx;
  return parseNginx(pasted->format, escaping, problem);
}

}  // namespace crawlmeter
