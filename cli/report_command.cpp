// The command: prints the report of the chosen kind (or of the crawler catalogue) for the given log
// files, and writes the window's export file when asked. Nothing is written when the run fails.
#include "report_command.h"

#include <unistd.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "crawler_choice.h"
#include "files/output_file.h"
#include "progress_bar.h"
#include "resources/product_info.h"
#include "run/crawler_report.h"
#include "run/export_file.h"
#include "run/report.h"
#include "run/statistics_run.h"
#include "run/work_plan.h"
#include "terminal_text.h"

namespace crawlmeter {
namespace {

constexpr char kProgram[] = "crawlmeter-report";
constexpr std::string_view kStandardInputName = "standard input";
// The name --output gives standard output.
constexpr char kStandardOutputName[] = "-";

int fail(int status, const std::string& message) {
  std::cerr << kProgram << ": " << message << '\n';
  if (status == kExitUsage) std::cerr << "Try '" << kProgram << " --help' for more information.\n";
  return status;
}

// The text as it may go to standard output: control characters from a log never reach a terminal.
std::string forStandardOutput(const std::string& text) {
  return isatty(STDOUT_FILENO) ? terminalSafe(text) : text;
}

int printReport(const std::string& text) {
  if (const Error error = writeStandardOutput(forStandardOutput(text))) {
    return fail(kExitFileError, withReason("cannot write the report to standard output", error));
  }
  return kExitSuccess;
}

// What the report shows: one of the eight kinds, one crawler of the catalogue, or its table.
struct ReportChoice {
  const CommandLine& line;
  const CrawlerCatalogue& catalogue;
  std::optional<std::size_t> crawler;

  bool countsCatalogue() const { return crawler || line.crawlerTable; }
  std::string text(const StatisticsTables& tables) const {
    if (crawler) return crawlerReportText(tables, catalogue, *crawler, "\n");
    if (line.crawlerTable) return crawlerTableText(tables, catalogue, "\n");
    return reportText(tables, line.kind, "\n");
  }
};

// How a log is named in messages: "-" is standard input.
std::string messageName(const std::string& path) {
  return path == kStandardInputPath ? std::string(kStandardInputName) : path;
}

int report(const ReportChoice& choice) {
  const CommandLine& line = choice.line;
  RunOptions options;
  options.rewriteLineEnds = line.rewriteLineEnds;
  ProgressBar progress(line.progress, isatty(STDERR_FILENO));
  options.progress = [&](std::uint64_t done, std::uint64_t total) { progress.update(done, total); };
  if (choice.countsCatalogue())
    options.catalogue = std::make_shared<CrawlerMatcher>(choice.catalogue);
  const RunResult result = runStatistics(line.files, options);
  progress.finish();
  if (result.status != RunResult::Status::Succeeded) {
    return fail(kExitFileError,
                unreadableFileMessage(messageName(line.files[result.failedFile]), result.error));
  }
  const std::string text = choice.text(result.tables);
  // An export to standard output takes the report's place there, so that it can be piped.
  const bool exportToStdout =
      line.output && (*line.output == kStandardOutputName || isStandardOutput(*line.output));
  if (line.output) {
    const Error error = exportToStdout ? writeExportToStandardOutput(forStandardOutput(text))
                                       : writeExportFile(*line.output, text);
    if (error) return fail(kExitFileError, exportFailedMessage(*line.output, error));
  }
  return exportToStdout ? kExitSuccess : printReport(text);
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
  CrawlerCatalogue catalogue;
  if (const std::optional<CatalogueError> bad = loadCommandCatalogue(*line, &catalogue)) {
    return fail(kExitUsage, catalogueErrorMessage(*bad));
  }
  if (line->listCrawlers) return printReport(catalogueListing(catalogue));
  ReportChoice choice{*line, catalogue, std::nullopt};
  if (line->crawler) {
    choice.crawler = crawlerNamed(catalogue, *line->crawler, &error);
    if (!choice.crawler) return fail(kExitUsage, error);
  }
  return report(choice);
}

}  // namespace crawlmeter
