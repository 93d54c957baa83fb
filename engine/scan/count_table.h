// The per-file, per-hour count tables that a run fills, one for each kind.
//
// Cells and totals are 64-bit: a busy site passes 32,767 page views in an hour.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/kinds.h"

namespace crawlmeter {

// Slot h holds the lines of hour h; slot 24 is filled only by lines whose hour reads 24 and is
// printed nowhere.
inline constexpr int kHourSlots = 25;
inline constexpr int kReportedHours = 24;

using Count = std::int64_t;

using HourCells = std::array<Count, kHourSlots>;

// The lines of a file, and those of them no record could be read from. Empty lines count for
// neither.
struct LineTally {
  std::uint64_t read = 0;
  std::uint64_t notUnderstood = 0;

  void add(const LineTally& other) {
    read += other.read;
    notUnderstood += other.notUnderstood;
  }
  bool operator==(const LineTally&) const = default;
};

// The counts of one file: a cell for every kind and hour slot, and for every crawler of the
// catalogue when one is searched.
struct FileCounts {
  std::array<HourCells, kStatCategoryCount> cells{};
  std::vector<HourCells> crawlerCells;
  LineTally lines;

  Count& at(StatCategory kind, int hour) { return cells[static_cast<std::size_t>(kind)][hour]; }
  Count at(StatCategory kind, int hour) const {
    return cells[static_cast<std::size_t>(kind)][hour];
  }
  bool operator==(const FileCounts&) const = default;
};

// One kind's counts for files 0..N-1 and hour slots 0..24.
class CountTable {
 public:
  CountTable() = default;
  explicit CountTable(std::size_t files) : rows_(files) {}

  std::size_t fileCount() const { return rows_.size(); }
  Count at(std::size_t file, int hour) const { return rows_[file][hour]; }
  Count& at(std::size_t file, int hour) { return rows_[file][hour]; }
  // Adds a part of file's counts, every hour slot.
  void add(std::size_t file, const HourCells& cells);
  // The sum of hours 0..23 of a file: slot 24 is in no total.
  Count total(std::size_t file) const;
  bool operator==(const CountTable&) const = default;

 private:
  std::vector<HourCells> rows_;
};

}  // namespace crawlmeter
