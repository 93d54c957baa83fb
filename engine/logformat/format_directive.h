// The format string inside what a user pasted from a server's configuration: an nginx log_format
// directive, an Apache LogFormat or CustomLog line, nginx's quoted pieces, or the bare string.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/wording.h"

namespace crawlmeter {

enum class FormatSyntax { kUnknown, kNginx, kApache };

struct PastedFormat {
  std::string format;                            // with the configuration's quoting undone
  FormatSyntax syntax = FormatSyntax::kUnknown;  // known when a directive names its server
  bool jsonEscapes = false;                      // nginx's escape=json
  bool noEscapes = false;                        // nginx's escape=none
};

// The format string of text; nothing, with *problem saying why, when a quote is not closed, a
// directive has no format string or names one defined elsewhere.
std::optional<PastedFormat> unwrapFormat(std::string_view text, Message* problem);

}  // namespace crawlmeter
