// crawlmeter-report as a whole: parses the arguments, runs the statistics, prints the report and
// writes the export, and tells what went wrong on standard error.
#pragma once

#include <string>
#include <vector>

#include "base/wording.h"

namespace crawlmeter {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFileError = 1;
inline constexpr int kExitUsage = 2;

// Runs the command with its arguments (without the program name), telling the user in wording's
// language what it does and what went wrong; gives the exit status.
int runReportCommand(const std::vector<std::string>& arguments, const Wording& wording);

}  // namespace crawlmeter
