// Hour-run bookkeeping, the addition of one record to the counts, and the join of parts.
#include "scan/record_counter.h"

#include <utility>

namespace crawlmeter {

void RecordCounter::count(const Record& record, FileCounts& counts) {
  if (record.hour != edges_.last.hour()) {
    if (edges_.counted && !edges_.first) {
      edges_.first.emplace(std::exchange(edges_.last, HourRun()));
      edges_.last.reserveLike(*edges_.first);
    }
    edges_.last.restart(record.hour);
  }
  edges_.counted = true;
  const int hour = record.hour.value();
  if (edges_.last.add(record.address)) ++counts.at(StatCategory::Ip, hour);
  ++counts.at(StatCategory::Pv, hour);
  if (record.crawler != kNoCrawler) ++counts.at(kCrawlerKinds[record.crawler], hour);
  if (record.catalogued != kNotCatalogued) ++counts.crawlerCells[record.catalogued][hour];
}

RunEdges RecordCounter::takeEdges() { return std::exchange(edges_, RunEdges()); }

void joinEdges(HourRun& carried, RunEdges& part, FileCounts& counts) {
  if (!part.counted) return;
  const HourRun& first = part.first ? *part.first : part.last;
  if (carried.hour() == first.hour()) {
    counts.at(StatCategory::Ip, first.hour().value()) -=
        static_cast<Count>(carried.countShared(first));
    if (!part.first) {
      carried.absorb(part.last);
      return;
    }
  }
  carried = std::move(part.last);
}

}  // namespace crawlmeter
