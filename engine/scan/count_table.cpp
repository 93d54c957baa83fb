// Per-file totals of a count table.
#include "scan/count_table.h"

namespace crawlmeter {

Count CountTable::total(std::size_t file) const {
  Count sum = 0;
  for (int hour = 0; hour < kReportedHours; ++hour) sum += rows_[file][hour];
  return sum;
}

void CountTable::add(std::size_t file, const HourCells& cells) {
  for (int hour = 0; hour < kHourSlots; ++hour) rows_[file][hour] += cells[hour];
}

}  // namespace crawlmeter
