// Text from logs and file names made safe for the formats other programs read: valid UTF-8
// everywhere, and each format's own quoting, so that no path, date label or crawler name can
// break a CSV row, a JSON string or the markup of an HTML page.
#pragma once

#include <string>
#include <string_view>

namespace crawlmeter {

// bytes with every sequence that is not valid UTF-8 replaced by U+FFFD (a file name may be in
// any encoding).
std::string validUtf8(std::string_view bytes);

// A CSV field (RFC 4180): quoted, with its quotes doubled, when it holds a comma, a quote or a
// line break.
std::string csvField(std::string_view bytes);

// A JSON string literal, quotes included.
std::string jsonString(std::string_view bytes);

// Text for HTML content and attribute values: markup characters as entities, and the C0 control
// characters (but tab and line feed) and DEL as U+FFFD.
std::string htmlEscaped(std::string_view bytes);

}  // namespace crawlmeter
