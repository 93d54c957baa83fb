// crawlmeter-report: prints the report of the chosen kind for the given log files, and writes the
// window's export file when asked. Nothing is written when the run fails.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "export_file.h"
#include "report.h"
#include "resources/product_info.h"
#include "statistics_run.h"
#include "terminal_text.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;
constexpr char kProgram[] = "crawlmeter-report";

int fail(int status, const std::string& message) {
  std::cerr << kProgram << ": " << message << '\n';
  if (status == kExitUsage) std::cerr << "Try '" << kProgram << " --help' for more information.\n";
  return status;
}

int report(const crawlmeter::CommandLine& line) {
  crawlmeter::RunOptions options;
  options.rewriteLineEnds = line.rewriteLineEnds;
  const crawlmeter::RunResult result = crawlmeter::runStatistics(line.files, options);
  if (result.status != crawlmeter::RunResult::Status::Succeeded) {
    return fail(kExitFileError, result.message);
  }
  const std::string text = crawlmeter::reportText(result.tables, line.kind, "\n");
  if (line.output) {
    if (const auto reason = crawlmeter::writeExportFile(*line.output, text)) {
      return fail(kExitFileError,
                  crawlmeter::exportFailedMessage(*line.output, "") + " (" + *reason + ")");
    }
  }
  std::cout << (isatty(STDOUT_FILENO) ? crawlmeter::terminalSafe(text) : text) << std::flush;
  return std::cout ? kExitSuccess
                   : fail(kExitFileError, "cannot write the report to standard output");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const std::optional<crawlmeter::CommandLine> line =
      crawlmeter::parseCommandLine(arguments, &error);
  if (!line) return fail(kExitUsage, error);
  if (line->help) {
    std::cout << crawlmeter::kUsage;
    return kExitSuccess;
  }
  if (line->version) {
    std::cout << kProgram << ' ' << CRAWLMETER_VERSION << '\n';
    return kExitSuccess;
  }
  return report(*line);
}
