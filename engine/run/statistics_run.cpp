// The run: plans the units of work, counts them (on one thread, or on several that run ahead of a
// merge which takes their results strictly in order), joins the hour-runs at every seam, and
// renames converted copies over their logs only once every file has been counted.
#include "run/statistics_run.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "files/process_setup.h"
#include "files/temporary_folder.h"
#include "run/unit_scan.h"

namespace crawlmeter {
namespace {

// Every line counts for one crawler at most: what the crawlers leave of the page views is people.
CountTable peopleOf(const StatisticsTables& tables) {
  CountTable people = tables.counts(StatCategory::Pv);
  for (const CountTable& crawler : tables.crawlerCounts) {
    for (std::size_t file = 0; file < people.fileCount(); ++file) {
      for (int hour = 0; hour < kHourSlots; ++hour) people.at(file, hour) -= crawler.at(file, hour);
    }
  }
  return people;
}

// Each hour-run's share of the run's memory limit: a unit holds two runs (its first and its last),
// the units counted or waiting to be joined are at most two more than the threads (see
// ParallelRun), and one run is the one they are joined to.
std::shared_ptr<const AddressBudget> addressBudget(const RunOptions& options, std::size_t threads) {
  const std::uint64_t limit =
      options.memoryLimit != 0 ? options.memoryLimit : physicalMemoryBytes() / 4;
  auto budget = std::make_shared<AddressBudget>();
  const std::size_t units = threads < 2 ? 1 : threads + 2;
  budget->runBytes = static_cast<std::size_t>(limit / (2 * units + 1));
  budget->folder = std::make_shared<TemporaryFolder>();
  return budget;
}

// How often a run with worker threads reports progress and looks for a cancel.
constexpr std::chrono::milliseconds kPollInterval{50};

// Adds one unit's result to the tables, after joining its first hour-run to the lines before it.
class Merge {
 public:
  Merge(std::size_t files, const RunOptions& options,
        const std::shared_ptr<const AddressBudget>& budget)
      : tables_(files, options.catalogue ? options.catalogue->crawlerCount() : 0),
        bytes_(files),
        countsCatalogue_(options.catalogue != nullptr),
        carried_(budget) {}

  Error add(const WorkUnit& unit, UnitResult& result) {
    std::vector<LateShare> late;
    const Error joined = joinEdges(carried_, result.edges, unit.file, result.counts, late);
    if (joined.failed()) return joined;
    takeOff(late);
    for (std::size_t kind = 0; kind < kStatCategoryCount; ++kind) {
      tables_.kindCounts[kind].add(unit.file, result.counts.cells[kind]);
    }
    for (std::size_t crawler = 0; crawler < result.counts.crawlerCells.size(); ++crawler) {
      tables_.crawlerCounts[crawler].add(unit.file, result.counts.crawlerCells[crawler]);
    }
    tables_.lineTallies[unit.file].add(result.counts.lines);
    tables_.claims[unit.file].append(result.claims);
    if (unit.begin == 0 || tables_.dateLabels[unit.file].empty()) {
      tables_.dateLabels[unit.file] = std::move(result.dateLabel);
    }
    carriedState_ = std::move(result.carriedState);
    bytes_[unit.file].read += result.bytes.read;
    bytes_[unit.file].text += result.bytes.text;
    if (result.rewrite) rewrites_.push_back(std::move(*result.rewrite));
    return {};
  }

  // Whether unit must be counted again: a piece of a W3C log that began with another "#Fields:"
  // directive in effect than the pieces before it ended with.
  bool startsWrong(const WorkUnit& unit) const {
    return unit.begin != 0 && unit.carriedState != carriedState_;
  }
  // unit as it should have been planned, knowing the pieces before it.
  WorkUnit corrected(const WorkUnit& unit) const {
    WorkUnit actual = unit;
    if (unit.begin != 0) actual.carriedState = carriedState_;
    return actual;
  }

  // The last hour-run's deferred shares, before finish().
  Error settle() {
    std::vector<LateShare> late;
    const Error error = carried_.settleDeferred(late);
    takeOff(late);
    return error;
  }

  RunResult finish(const WhileLeased& whileLeased) {
    for (PendingRewrite& rewrite : rewrites_) rewrite.commit(whileLeased);
    RunResult result;
    if (countsCatalogue_) tables_.people = peopleOf(tables_);
    result.tables = std::move(tables_);
    result.bytes = std::move(bytes_);
    return result;
  }

 private:
  void takeOff(const std::vector<LateShare>& late) {
    for (const LateShare& share : late) {
      tables_.counts(StatCategory::Ip).at(share.tag, share.hour) -=
          static_cast<Count>(share.shared);
    }
  }

  StatisticsTables tables_;
  std::vector<FileBytes> bytes_;
  bool countsCatalogue_;
  HourRun carried_;
  std::string carriedState_;  // at the end of the last unit added
  std::vector<PendingRewrite> rewrites_;
};

// The bytes done as progress shows them: never past a known total (a log may grow while read).
std::uint64_t shownDone(std::uint64_t done, std::uint64_t total) {
  return total == 0 ? done : std::min(done, total);
}

RunResult failure(Error error, std::size_t failed) {
  RunResult result;
  result.error = std::move(error);
  result.failedFile = failed;
  return result;
}

RunResult cancelled() {
  RunResult result;
  result.error = Error::of(Error::What::kCancelled, {});
  return result;
}

// The file a failure found at the very end is told of.
std::size_t lastFileOf(const WorkPlan& plan) {
  return plan.units.empty() ? 0 : plan.units.back().file;
}

RunResult succeeded(Merge& merge, const RunOptions& options, std::size_t lastFile) {
  if (const Error error = merge.settle(); error.failed()) return failure(error, lastFile);
  return merge.finish(options.whileLeased);
}

bool cancelRequested(const RunOptions& options) {
  return options.cancelRequested && options.cancelRequested();
}

// The end of a unit whose scan failed: cancelled, or the file's error.
RunResult unitFailed(const Error& error, std::size_t file) {
  return error.what == Error::What::kCancelled ? cancelled() : failure(error, file);
}

// Counts every unit on the calling thread.
RunResult runInline(const WorkPlan& plan, const RunOptions& options,
                    const std::shared_ptr<const AddressBudget>& budget) {
  Merge merge(plan.files.size(), options, budget);
  std::uint64_t done = 0;
  const UnitOptions unitOptions{options.rewriteLineEnds,
                                options.chunkBytes,
                                [&](std::size_t bytes) {
                                  done += bytes;
                                  if (options.progress) {
                                    options.progress(shownDone(done, plan.totalBytes),
                                                     plan.totalBytes);
                                  }
                                  return !cancelRequested(options);
                                },
                                options.catalogue,
                                true,
                                options.reading,
                                options.claimCheck,
                                budget};
  std::optional<CrawlerSearch> search;
  for (const WorkUnit& unit : plan.units) {
    if (cancelRequested(options)) return cancelled();
    Expected<UnitResult> result =
        scanUnit(plan.files[unit.file], merge.corrected(unit), unitOptions, &search);
    if (result.failed()) return unitFailed(result.error(), unit.file);
    if (const Error error = merge.add(unit, *result); error.failed()) {
      return failure(error, unit.file);
    }
  }
  return succeeded(merge, options, lastFileOf(plan));
}

// Worker threads take the units in order and stay at most one unit each ahead of the merge, which
// bounds the memory held by results waiting to be merged.
class ParallelRun {
 public:
  ParallelRun(const WorkPlan& plan, const RunOptions& options,
              std::shared_ptr<const AddressBudget> budget)
      : plan_(plan), options_(options), budget_(std::move(budget)), results_(plan.units.size()) {}

  RunResult run(std::size_t threads) {
    threads_ = threads;
    lookahead_ = threads + 1;
    std::vector<std::jthread> pool;
    // Stops the workers however the merge ends, before the pool waits for them.
    const StopOnExit stopper{*this};
    try {
      for (std::size_t i = 0; i < threads; ++i) pool.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      // The system gives no more threads: count with those that started, or on this one.
      if (pool.empty()) return runInline(plan_, options_, budget_);
    }
    return mergeAll();
  }

 private:
  struct StopOnExit {
    ParallelRun& run;
    ~StopOnExit() { run.stop(); }
  };

  void stop() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
  }

  void work() {
    const UnitOptions unitOptions{options_.rewriteLineEnds,
                                  options_.chunkBytes,
                                  [this](std::size_t bytes) {
                                    done_ += bytes;
                                    return !stop_;
                                  },
                                  options_.catalogue,
                                  decompressAlongside(),
                                  options_.reading,
                                  options_.claimCheck,
                                  budget_};
    std::optional<CrawlerSearch> search;  // this thread's, kept from unit to unit
    for (;;) {
      std::size_t unit = 0;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
          return stop_ || nextUnit_ < std::min(merged_ + lookahead_, results_.size()) ||
                 nextUnit_ >= results_.size();
        });
        if (stop_ || nextUnit_ >= results_.size()) return;
        unit = nextUnit_++;
      }
      Expected<UnitResult> result =
          scanUnit(plan_.files[plan_.units[unit].file], plan_.units[unit], unitOptions, &search);
      {
        std::lock_guard lock(mutex_);
        results_[unit].emplace(std::move(result));
      }
      changed_.notify_all();
    }
  }

  // With enough units to keep every worker busy, a compressed log is decompressed on its
  // worker's thread: a thread more for each would only take turns on the same cores.
  bool decompressAlongside() const { return plan_.units.size() < 2 * threads_; }

  void reportProgress() {
    if (options_.progress) options_.progress(shownDone(done_, plan_.totalBytes), plan_.totalBytes);
  }

  // Waits for the unit's result, reporting progress meanwhile; nullopt when the run was cancelled.
  std::optional<Expected<UnitResult>> waitFor(std::size_t unit) {
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, kPollInterval, [&] { return results_[unit].has_value(); })) {
      lock.unlock();
      reportProgress();
      if (cancelRequested(options_)) return std::nullopt;
      lock.lock();
    }
    merged_ = unit + 1;
    return std::exchange(results_[unit], std::nullopt);
  }

  // Counts a unit again on the calling thread (see Merge::startsWrong: rare).
  Expected<UnitResult> recount(const WorkUnit& unit) {
    const UnitOptions unitOptions{options_.rewriteLineEnds,
                                  options_.chunkBytes,
                                  [this](std::size_t) { return !cancelRequested(options_); },
                                  options_.catalogue,
                                  true,
                                  options_.reading,
                                  options_.claimCheck,
                                  budget_};
    return scanUnit(plan_.files[unit.file], unit, unitOptions);
  }

  RunResult mergeAll() {
    Merge merge(plan_.files.size(), options_, budget_);
    for (std::size_t unit = 0; unit < plan_.units.size(); ++unit) {
      std::optional<Expected<UnitResult>> result = waitFor(unit);
      if (!result) return cancelled();
      changed_.notify_all();
      if (result->ok() && merge.startsWrong(plan_.units[unit])) {
        result.emplace(recount(merge.corrected(plan_.units[unit])));
      }
      if (result->failed()) return unitFailed(result->error(), plan_.units[unit].file);
      if (const Error error = merge.add(plan_.units[unit], **result); error.failed()) {
        return failure(error, plan_.units[unit].file);
      }
      reportProgress();
    }
    if (cancelRequested(options_)) return cancelled();
    return succeeded(merge, options_, lastFileOf(plan_));
  }

  const WorkPlan& plan_;
  const RunOptions& options_;
  const std::shared_ptr<const AddressBudget> budget_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<Expected<UnitResult>>> results_;  // set when a unit is counted
  std::size_t nextUnit_ = 0;
  std::size_t merged_ = 0;
  std::size_t lookahead_ = 0;
  std::size_t threads_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> done_{0};
};

}  // namespace

StatisticsTables::StatisticsTables(std::size_t files, std::size_t crawlers)
    : dateLabels(files),
      crawlerCounts(crawlers, CountTable(files)),
      lineTallies(files),
      claims(files) {
  kindCounts.fill(CountTable(files));
}

std::string unreadableFileMessage(const std::string& path, const Error& error,
                                  const Wording& wording) {
  const Message text(
      error.what == Error::What::kTemporary
          ? translatable("Cannot keep temporary files while counting the log file: %s")
          : translatable("Cannot read the log file: %s"),
      path);
  return withReason(text.text(wording), error, wording);
}

RunResult runStatistics(std::span<const std::string> files, const RunOptions& options) {
  const std::size_t workers =
      options.workers != 0 ? options.workers : std::max(1u, std::thread::hardware_concurrency());
  std::size_t failed = 0;
  const Expected<WorkPlan> plan =
      planWork(files,
               PlanOptions{workers, options.rewriteLineEnds, options.smallestPieceBytes,
                           options.probeBytes, options.reading},
               &failed);
  if (plan.failed()) return failure(plan.error(), failed);
  if (options.afterPlanning) options.afterPlanning();
  const std::size_t threads = std::min(workers, plan->units.size());
  const auto budget = addressBudget(options, threads);
  if (threads < 2) return runInline(*plan, options, budget);
  return ParallelRun(*plan, options, budget).run(threads);
}

}  // namespace crawlmeter
