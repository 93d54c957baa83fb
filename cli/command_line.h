// The arguments of crawlmeter-report:
//   crawlmeter-report [--kind KIND] [--output FILE] [--rewrite-line-ends]
//                     [--crawlers FILE]... [--no-builtin-crawlers] LOGFILE...
//   crawlmeter-report [--crawlers FILE]... [--no-builtin-crawlers] --list-crawlers
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "progress_bar.h"
#include "scan/count_table.h"

namespace crawlmeter {

struct CommandLine {
  StatCategory kind = StatCategory::Pv;
  // --kind bot:NAME: that crawler's report; --kind bots: the crawler table.
  std::optional<std::string> crawler;
  bool crawlerTable = false;
  std::vector<std::string> crawlerFiles;
  bool builtInCrawlers = true;
  bool listCrawlers = false;
  std::optional<std::string> output;
  bool rewriteLineEnds = false;
  ProgressChoice progress = ProgressChoice::kAuto;
  bool help = false;
  bool version = false;
  std::vector<std::string> files;
};

// The parsed arguments, or what is wrong with them in *error.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string* error);

extern const char kUsage[];

}  // namespace crawlmeter
