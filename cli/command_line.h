// The arguments of crawlmeter-report:
//   crawlmeter-report [--kind KIND] [--format FORMAT] [--bom] [--output FILE] [--html FILE]
//                     [--rewrite-line-ends] [--crawlers FILE]... [--no-builtin-crawlers]
//                     [--log-format FORMAT] [--json-keys KEYS] [--time-zone ZONE]
//                     [--verify] [--verify-dns] [--dns-server ADDRESS[:PORT]]
//                     [--crawler-ranges FILE]... [--list-spoofers] [--memory-limit SIZE]
//                     LOGFILE...
//   crawlmeter-report [--crawlers FILE]... [--no-builtin-crawlers] [--crawler-ranges FILE]...
//                     --list-crawlers
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/wording.h"
#include "logformat/log_format.h"
#include "progress_bar.h"
#include "scan/count_table.h"

namespace crawlmeter {

enum class OutputFormat { kText, kCsv, kJson };

struct CommandLine {
  StatCategory kind = StatCategory::Pv;
  bool allKinds = false;  // --kind all: the eight kinds, then the catalogue's crawlers
  // --kind bot:NAME: that crawler's report; --kind bots: the crawler table.
  std::optional<std::string> crawler;
  bool crawlerTable = false;
  bool people = false;  // --kind humans: the page views no crawler claims
  std::vector<std::string> crawlerFiles;
  bool builtInCrawlers = true;
  bool listCrawlers = false;
  OutputFormat format = OutputFormat::kText;
  bool byteOrderMark = false;
  std::optional<std::string> output;
  std::optional<std::string> html;
  bool rewriteLineEnds = false;
  ReadingChoice reading;  // --log-format, --json-keys, --time-zone
  // Telling real crawlers from those that only write their names: by the operators' address
  // ranges (--verify), and by reverse DNS too (--verify-dns, which implies --verify).
  bool verify = false;
  bool verifyDns = false;
  std::optional<std::string> dnsServer;
  std::vector<std::string> rangeFiles;  // --crawler-ranges, in order
  bool listSpoofers = false;            // implies --verify
  std::uint64_t memoryLimit = 0;        // --memory-limit in bytes; 0: the run's default
  ProgressChoice progress = ProgressChoice::kAuto;
  bool help = false;
  bool version = false;
  std::vector<std::string> files;
};

// The parsed arguments, or what is wrong with them in *error.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            Message* error);

// The text of --help (translatable, shown as it stands).
extern const char* const kUsage;

}  // namespace crawlmeter
