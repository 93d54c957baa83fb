// The report as it may be shown on a terminal: a date label is copied from the log as it stands,
// and a log must not be able to send a terminal its control sequences.
#pragma once

#include <string>
#include <string_view>

namespace crawlmeter {

// text (UTF-8) with every control character but the line feed (C0, DEL and C1) shown as '?'.
std::string terminalSafe(std::string_view text);

}  // namespace crawlmeter
