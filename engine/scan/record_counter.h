// Counts parsed records into hour cells: every counted line is a page view, a client address
// counts once per hour-run, and a line counts for at most one crawler.
//
// Lines may be counted in parts (files, or pieces of one file) by separate counters and joined
// afterwards: a counter keeps its first hour-run and its last one (its edges), and joinEdges()
// removes the addresses that the lines before a part had already counted in a run that goes on.
#pragma once

#include <optional>

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
  void count(const Record& record, FileCounts& counts);
  // Readies the memory that counting record will touch.
  void prefetch(Record& record) const { edges_.last.prefetch(record.address); }
  RunEdges takeEdges();

 private:
  RunEdges edges_;
};

// Joins a part's counts to the lines before it: carried is the hour-run those lines ended in;
// afterwards it is the hour-run the part ends in. counts are the part's counts.
void joinEdges(HourRun& carried, RunEdges& part, FileCounts& counts);

}  // namespace crawlmeter
