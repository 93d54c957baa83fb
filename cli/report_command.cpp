// The command: prints the report of the chosen kind for the given log files, and writes the
// window's export file when asked. Nothing is written when the run fails.
#include "report_command.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "resources/product_info.h"
#include "run/export_file.h"
#include "run/report.h"
#include "run/statistics_run.h"
#include "terminal_text.h"

namespace crawlmeter {
namespace {

constexpr char kProgram[] = "crawlmeter-report";

int fail(int status, const std::string& message) {
  std::cerr << kProgram << ": " << message << '\n';
  if (status == kExitUsage) std::cerr << "Try '" << kProgram << " --help' for more information.\n";
  return status;
}

int report(const CommandLine& line) {
  RunOptions options;
  options.rewriteLineEnds = line.rewriteLineEnds;
  const RunResult result = runStatistics(line.files, options);
  if (result.status != RunResult::Status::Succeeded) {
    return fail(kExitFileError, result.message);
  }
  const std::string text = reportText(result.tables, line.kind, "\n");
  if (line.output) {
    if (const auto reason = writeExportFile(*line.output, text)) {
      return fail(kExitFileError, exportFailedMessage(*line.output, "") + " (" + *reason + ")");
    }
  }
  std::cout << (isatty(STDOUT_FILENO) ? terminalSafe(text) : text) << std::flush;
  return std::cout ? kExitSuccess
                   : fail(kExitFileError, "cannot write the report to standard output");
}

}  // namespace

int runReportCommand(const std::vector<std::string>& arguments) {
  std::string error;
  const std::optional<CommandLine> line = parseCommandLine(arguments, &error);
  if (!line) return fail(kExitUsage, error);
  if (line->help) {
    std::cout << kUsage;
    return kExitSuccess;
  }
  if (line->version) {
    std::cout << kProgram << ' ' << CRAWLMETER_VERSION << '\n';
    return kExitSuccess;
  }
  return report(*line);
}

}  // namespace crawlmeter
