// The command: prints the report of the chosen kind (or of the crawler catalogue) for the given log
// files as text, CSV or JSON, and writes the window's export file and the HTML page when asked.
// Nothing is written when the run fails.
#include "report_command.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "crawler_choice.h"
#include "crawler_verification.h"
#include "files/output_file.h"
#include "formats/csv_results.h"
#include "formats/html_report.h"
#include "formats/json_results.h"
#include "formats/result_series.h"
#include "progress_bar.h"
#include "resources/product_info.h"
#include "run/crawler_report.h"
#include "run/export_file.h"
#include "run/report.h"
#include "run/statistics_run.h"
#include "run/work_plan.h"
#include "skipped_lines.h"
#include "terminal_text.h"

namespace crawlmeter {
namespace {

constexpr char kProgram[] = "crawlmeter-report";
// The name --output gives standard output.
constexpr char kStandardOutputName[] = "-";

int fail(int status, const std::string& message, const Wording& wording) {
  std::string text = std::string(kProgram) + ": " + message + '\n';
  if (status == kExitUsage) {
    text += Message(translatable("Try '%s --help' for more information."), std::string(kProgram))
                .text(wording);
    text += '\n';
  }
  // A message that cannot be written to standard error has nowhere else to go; the exit status
  // still tells.
  writeStandardText(StandardStream::kError, text).ignore();
  return status;
}

// The text as it may go to standard output: control characters from a log never reach a terminal.
std::string forStandardOutput(std::string_view text) {
  return isTerminal(StandardStream::kOutput) ? terminalSafe(text) : std::string(text);
}

int printReport(const std::string& text, const Wording& wording) {
  if (const Error error = writeStandardText(StandardStream::kOutput, forStandardOutput(text));
      error.failed()) {
    const char* words = translatable("cannot write the report to standard output");
    return fail(kExitFileError, withReason(std::string(wording.text(words)), error, wording),
                wording);
  }
  return kExitSuccess;
}

// What the report shows: one of the eight kinds, one crawler of the catalogue, its table, or all
// of them; as text, CSV or JSON.
struct ReportChoice {
  const CommandLine& line;
  const CrawlerCatalogue& catalogue;
  const CrawlerRanges& ranges;
  std::optional<std::size_t> crawler;
  const Wording& wording;  // the language of the command's messages, never of the report

  // The HTML page always shows the crawlers.
  bool countsCatalogue() const {
    return crawler || line.crawlerTable || line.people || line.html || line.listSpoofers ||
           (line.allKinds && hasCatalogue());
  }
  bool hasCatalogue() const { return !catalogue.lines().empty(); }
  // The HTML page verifies by the ranges unless told more.
  bool verifies() const { return countsCatalogue() && (line.verify || line.html); }

  std::string text(const StatisticsTables& tables, const ClaimVerification* verified) const {
    if (crawler) return crawlerReportText(tables, catalogue, *crawler, "\n", verified);
    if (line.crawlerTable) return crawlerTableText(tables, catalogue, "\n", verified);
    if (line.people) return peopleReportText(tables, "\n");
    if (!line.allKinds) return reportText(tables, line.kind, "\n");
    std::string text;
    for (const KindRow& row : kKindTable) text += reportText(tables, row.kind, "\n");
    if (!hasCatalogue()) return text;
    text += peopleReportText(tables, "\n");
    return text + crawlerTableText(tables, catalogue, "\n", verified);
  }

  std::vector<ResultSeries> series(const ResultSource& source) const {
    if (crawler) return {crawlerSeries(source, *crawler)};
    if (line.crawlerTable) return crawlerSeriesSeen(source);
    if (line.people) return {peopleSeries(source.tables)};
    if (!line.allKinds) return {kindSeries(source.tables, line.kind)};
    return everySeries(source);
  }

  // The output in the chosen format: the report's text (UTF-8), or CSV or JSON; or the spoofers.
  std::string formatted(const ResultSource& source) const {
    if (line.listSpoofers) return spooferListing(source);
    switch (line.format) {
      case OutputFormat::kCsv:
        return csvResults(source, series(source), line.byteOrderMark);
      case OutputFormat::kJson:
        return jsonResults(source, series(source), CRAWLMETER_VERSION);
      case OutputFormat::kText:
        break;
    }
    return text(source.tables, source.verification);
  }
};

// How a log is named in messages: "-" is standard input.
std::string messageName(const std::string& path, const Wording& wording) {
  return path == kStandardInputPath ? std::string(wording.text(translatable("standard input")))
                                    : path;
}

// Lines the run could not read are told, never counted: the report stays as it is.
void warnOfSkippedLines(std::span<const std::string> files, std::span<const LineTally> tallies,
                        const Wording& wording) {
  std::vector<std::string> names;
  for (const std::string& file : files) names.push_back(messageName(file, wording));
  const std::string notice = skippedLinesNotice(names, tallies, wording);
  // A notice that cannot be written has nowhere else to go; the report still can be.
  if (!notice.empty()) writeStandardText(StandardStream::kError, notice).ignore();
}

bool goesToStandardOutput(const std::string& path) {
  return path == kStandardOutputName || isStandardOutput(path);
}

// Writes bytes that need no conversion (CSV, JSON, the HTML page) to path or standard output.
Error writeTarget(const std::string& path, std::string_view bytes) {
  if (goesToStandardOutput(path)) {
    return writeStandardText(StandardStream::kOutput, forStandardOutput(bytes));
  }
  return writeOutputFile(path, bytes);
}

Error writeOutput(const CommandLine& line, const std::string& output) {
  if (line.format != OutputFormat::kText || line.listSpoofers) {
    return writeTarget(*line.output, output);
  }
  return goesToStandardOutput(*line.output) ? writeExportToStandardOutput(forStandardOutput(output))
                                            : writeExportFile(*line.output, output);
}

// What is wrong when two outputs would write to one place: standard output takes one thing (the
// results, the export or the page), and a file written twice would keep only the last.
std::optional<Message> outputClash(const CommandLine& line) {
  const bool htmlToStdout = line.html && goesToStandardOutput(*line.html);
  const bool outputToStdout = line.output && goesToStandardOutput(*line.output);
  if (line.output && line.html &&
      (sameFile(*line.output, *line.html) || (htmlToStdout && outputToStdout))) {
    return Message(translatable("--output and --html cannot write to the same place"));
  }
  if (htmlToStdout && line.format != OutputFormat::kText && !line.output) {
    return Message(translatable(
        "--html - takes standard output: give --output FILE for the CSV or JSON results"));
  }
  return std::nullopt;
}

// The local time the HTML page says it was made.
std::string timeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = "";
  if (localtime_r(&now, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

std::chrono::sys_days today() {
  return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}

// Writes the output in the chosen format, the export and the HTML page where asked; the output
// goes to standard output unless it was sent elsewhere.
int writeResults(const ReportChoice& choice, ResultSource source,
                 const std::optional<ClaimVerification>& verification) {
  const CommandLine& line = choice.line;
  const Wording& wording = choice.wording;
  if (line.verify && verification) source.verification = &*verification;
  const std::string output = choice.formatted(source);
  // Output sent to a file or to standard output takes the report's place there.
  bool printed = false;
  if (line.output) {
    if (const Error error = writeOutput(line, output); error.failed()) {
      return fail(kExitFileError, exportFailedMessage(*line.output, error, wording), wording);
    }
    printed = line.format != OutputFormat::kText || line.listSpoofers ||
              goesToStandardOutput(*line.output);
  }
  if (line.html) {
    source.verification = verification ? &*verification : nullptr;
    if (const Error error =
            writeTarget(*line.html, htmlReport(source, CRAWLMETER_VERSION, timeNow()));
        error.failed()) {
      return fail(kExitFileError, exportFailedMessage(*line.html, error, wording), wording);
    }
    printed = printed || goesToStandardOutput(*line.html);
  }
  return printed ? kExitSuccess : printReport(output, wording);
}

int report(const ReportChoice& choice) {
  const CommandLine& line = choice.line;
  const Wording& wording = choice.wording;
  RunOptions options;
  options.rewriteLineEnds = line.rewriteLineEnds;
  options.reading = line.reading;
  options.memoryLimit = line.memoryLimit;
  ProgressBar progress(line.progress, isTerminal(StandardStream::kError), wording);
  options.progress = [&](std::uint64_t done, std::uint64_t total) { progress.update(done, total); };
  if (choice.countsCatalogue()) {
    Expected<std::shared_ptr<const CrawlerMatcher>> matcher =
        CrawlerMatcher::compile(choice.catalogue);
    if (matcher.failed())
      return fail(kExitFileError, reasonText(matcher.error(), wording), wording);
    options.catalogue = std::move(*matcher);
  }
  const std::vector<const VerificationMethod*> methods =
      usableMethods(choice.catalogue, choice.ranges, line.verifyDns);
  if (choice.verifies()) {
    const bool keepsSpoofers = line.listSpoofers || line.html;
    options.claimCheck = rangeClaimCheck(methods, choice.ranges, line.verifyDns, keepsSpoofers);
  }
  const RunResult result = runStatistics(line.files, options);
  progress.finish();
  if (result.error.failed()) {
    const std::string name = messageName(line.files[result.failedFile], wording);
    return fail(kExitFileError, unreadableFileMessage(name, result.error, wording), wording);
  }
  warnOfSkippedLines(line.files, result.tables.lineTallies, wording);
  std::optional<ClaimVerification> verification;
  if (choice.verifies()) {
    verification =
        verifyCommandClaims(line, result.tables, methods, choice.ranges, today(), wording);
  }
  return writeResults(choice,
                      ResultSource{line.files, result.tables, result.bytes,
                                   choice.countsCatalogue() ? &choice.catalogue : nullptr},
                      verification);
}

}  // namespace

int runReportCommand(const std::vector<std::string>& arguments, const Wording& wording) {
  Message error;
  const std::optional<CommandLine> line = parseCommandLine(arguments, &error);
  if (!line) return fail(kExitUsage, error.text(wording), wording);
  if (line->help) return printReport(std::string(wording.text(kUsage)), wording);
  if (line->version) {
    return printReport(std::string(kProgram) + ' ' + CRAWLMETER_VERSION + '\n', wording);
  }
  if (const std::optional<Message> clash = outputClash(*line)) {
    return fail(kExitUsage, clash->text(wording), wording);
  }
  CrawlerCatalogue catalogue;
  if (const Error bad = loadCommandCatalogue(*line, &catalogue); bad.failed()) {
    return fail(kExitUsage, catalogueErrorMessage(bad, wording), wording);
  }
  CrawlerRanges ranges;
  if (const Error bad = loadCommandRanges(*line, &ranges); bad.failed()) {
    return fail(kExitUsage, rangesErrorMessage(bad, wording), wording);
  }
  if (line->listCrawlers) return printReport(catalogueListing(catalogue, ranges), wording);
  ReportChoice choice{*line, catalogue, ranges, std::nullopt, wording};
  if (line->crawler) {
    choice.crawler = crawlerNamed(catalogue, *line->crawler, &error);
    if (!choice.crawler) return fail(kExitUsage, error.text(wording), wording);
  }
  return report(choice);
}

}  // namespace crawlmeter
