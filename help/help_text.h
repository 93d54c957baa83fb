// The usage text that the help window shows.
#pragma once

#include <QString>

namespace crawlmeter {

// Six numbered items, each followed by an empty line, then two empty lines and the indented
// version line; CR LF line breaks, none at the start or the end.
QString helpText();

}  // namespace crawlmeter
