// Counts parsed records into hour cells: every counted line is a page view, a client address
// counts once per hour-run, and a line counts for at most one crawler.
//
// Lines may be counted in parts (files, or pieces of one file) by separate counters and joined
// afterwards: a counter keeps its first hour-run and its last one (its edges), and joinEdges()
// removes the addresses that the lines before a part had already counted in a run that goes on.
// A counter may also judge the claims of the crawlers whose names are checked (scan/claim_tally.h):
// each address's claim of a crawler once per hour-run.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scan/claim_tally.h"
#include "scan/count_table.h"
#include "scan/hour_run.h"
#include "scan/record_parser.h"

namespace crawlmeter {

// The hour-runs at the two ends of a counter's lines.
struct RunEdges {
  bool counted = false;          // whether any line was counted
  std::optional<HourRun> first;  // the first run, when a later one followed it
  HourRun last;                  // the run at the end (the only one when first is empty)
};

class RecordCounter {
 public:
  RecordCounter() = default;
  // Judges the claims of the crawlers check checks, when given; keeps each hour-run's addresses
  // within budget, when given.
  explicit RecordCounter(std::shared_ptr<const ClaimCheck> check,
                         std::shared_ptr<const AddressBudget> budget = nullptr);

  void count(const Record& record, FileCounts& counts);
  // Readies the memory that counting record will touch.
  void prefetch(Record& record) const { edges_.last.prefetch(record.address); }
  // The edges, once the last run's count is settled (see HourRun::settle) into counts.
  RunEdges takeEdges(FileCounts& counts);
  // The first failure to keep an hour-run's addresses in temporary files, or to read them back:
  // the counts are then wrong.
  Error failure() const;
  ClaimTally takeClaims() {
    judged_.clear();
    return std::exchange(claims_, ClaimTally());
  }

 private:
  void countClaim(std::size_t crawler, std::string_view address, int hour);
  void settle(HourRun& run, FileCounts& counts);

  std::shared_ptr<const AddressBudget> budget_;
  RunEdges edges_;
  Error failure_;
  std::shared_ptr<const ClaimCheck> check_;
  ClaimTally claims_;
  // The claims judged lately, direct-mapped by their claimKey()'s hash: an address's run of lines
  // is judged, and looked up among the spoofers, once; the memory stays a few kilobytes.
  struct Judged {
    std::string key;  // empty: no claim yet
    ClaimOutcome outcome = ClaimOutcome::kUnverifiable;
    void* entry = nullptr;  // ClaimTally::entryFor's
  };
  static constexpr std::size_t kJudgedSlots = 256;
  std::vector<Judged> judged_;
  std::string key_;
};

// Joins a part's counts to the lines before it: carried is the hour-run those lines ended in;
// afterwards it is the hour-run the part ends in. counts are the part's counts, of file. The
// addresses a part shares with carried are taken off counts at once, or, when either spilled,
// added to late (see HourRun::defer), and all of them once carried.settleDeferred() is called at
// the end. Fails only when spilled addresses cannot be written or read back.
Error joinEdges(HourRun& carried, RunEdges& part, std::size_t file, FileCounts& counts,
                std::vector<LateShare>& late);

}  // namespace crawlmeter
