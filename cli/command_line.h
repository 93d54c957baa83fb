// The arguments of crawlmeter-report:
//   crawlmeter-report [--kind KIND] [--output FILE] [--rewrite-line-ends] LOGFILE...
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scan/count_table.h"

namespace crawlmeter {

struct CommandLine {
  StatCategory kind = StatCategory::Pv;
  std::optional<std::string> output;
  bool rewriteLineEnds = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> files;
};

// The parsed arguments, or what is wrong with them in *error.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string* error);

extern const char kUsage[];

}  // namespace crawlmeter
