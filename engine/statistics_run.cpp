// The run over files 1..N: every file is checked before any is read, then each is read once in
// large chunks that feed its counting, its date label and, when it needs one, its converted copy.
#include "statistics_run.h"

#include <array>
#include <optional>
#include <utility>

#include "line_end_rewrite.h"
#include "log_file.h"
#include "log_scanner.h"
#include "record_counter.h"

namespace crawlmeter {
namespace {

constexpr std::array<CountTable StatisticsTables::*, kStatCategoryCount> kTableOfKind = {
    &StatisticsTables::PvCounts,    &StatisticsTables::IpCounts,    &StatisticsTables::SogouCounts,
    &StatisticsTables::BingCounts,  &StatisticsTables::BaiduCounts, &StatisticsTables::YoudaoCounts,
    &StatisticsTables::YahooCounts, &StatisticsTables::GoogleCounts};

// The state shared by the files of one run.
struct RunState {
  explicit RunState(const RunOptions& runOptions) : options(runOptions) {}
  const RunOptions& options;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::vector<char> buffer;
  RecordCounter counter;
  std::vector<PendingRewrite> rewrites;
};

struct ScannedFile {
  FileCounts counts;
  std::string dateLabel;
};

RunResult failure(const std::string& path) {
  RunResult result;
  result.status = RunResult::Status::Failed;
  result.message = unreadableFileMessage(path);
  return result;
}

RunResult cancellation() {
  RunResult result;
  result.status = RunResult::Status::Cancelled;
  return result;
}

// Reads one file to its end; nullopt when it could not be read. Cancellation is checked first.
std::optional<ScannedFile> scanFile(const std::string& path, RunState& run, bool& cancelled) {
  std::optional<LogFile> file = LogFile::open(path);
  if (!file) return std::nullopt;
  ScannedFile scanned;
  LogScanner scanner(run.counter, scanned.counts);
  LineEndRewrite rewrite(*file, run.options.rewriteLineEnds ? resolveLinks(path) : std::string());
  for (std::uint64_t offset = 0;;) {
    if (run.options.cancelRequested && run.options.cancelRequested()) {
      cancelled = true;
      return std::nullopt;
    }
    const std::optional<std::size_t> got = file->read(run.buffer.data(), run.buffer.size());
    if (!got) return std::nullopt;
    if (*got == 0) {
      scanner.finish();
      scanned.dateLabel = scanner.dateLabel();
      if (std::optional<PendingRewrite> copy = rewrite.finish(offset)) {
        run.rewrites.push_back(std::move(*copy));
      }
      return scanned;
    }
    const std::string_view chunk(run.buffer.data(), *got);
    const LineEnds before = scanner.lineEnds();
    scanner.feed(chunk);
    rewrite.afterChunk(chunk, offset, before, scanner.lineEnds());
    offset += *got;
    run.done += *got;
    if (run.options.progress) run.options.progress(std::min(run.done, run.total), run.total);
  }
}

void storeRow(const FileCounts& counts, std::size_t file, StatisticsTables& tables) {
  for (std::size_t kind = 0; kind < kStatCategoryCount; ++kind) {
    CountTable& table = tables.*kTableOfKind[kind];
    for (int hour = 0; hour < kHourSlots; ++hour) table.at(file, hour) = counts.cells[kind][hour];
  }
}

}  // namespace

StatisticsTables::StatisticsTables(std::size_t lastFile) : LogDates(lastFile + 1) {
  for (CountTable StatisticsTables::*table : kTableOfKind) this->*table = CountTable(lastFile);
}

const CountTable& StatisticsTables::counts(StatCategory kind) const {
  return this->*kTableOfKind[static_cast<std::size_t>(kind)];
}

CountTable& StatisticsTables::counts(StatCategory kind) {
  return this->*kTableOfKind[static_cast<std::size_t>(kind)];
}

std::string unreadableFileMessage(const std::string& path) { return "无法读取日志文件：" + path; }

RunResult runStatistics(std::span<const std::string> files, const RunOptions& options) {
  RunState run(options);
  for (const std::string& path : files) {
    const std::optional<LogFile> file = LogFile::open(path);
    if (!file) return failure(path);
    run.total += file->identity().size;
  }
  run.buffer.resize(options.chunkBytes);
  StatisticsTables tables(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    bool cancelled = false;
    std::optional<ScannedFile> scanned = scanFile(files[i], run, cancelled);
    if (cancelled) return cancellation();
    if (!scanned) return failure(files[i]);
    tables.LogDates[i + 1] = std::move(scanned->dateLabel);
    storeRow(scanned->counts, i + 1, tables);
  }
  for (PendingRewrite& rewrite : run.rewrites) rewrite.commit();
  RunResult result;
  result.status = RunResult::Status::Succeeded;
  result.tables = std::move(tables);
  return result;
}

}  // namespace crawlmeter
