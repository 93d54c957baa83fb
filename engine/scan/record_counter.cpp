// Hour-run bookkeeping, the addition of one record to the counts, and the join of parts.
#include "scan/record_counter.h"

#include <utility>

namespace crawlmeter {

void RecordCounter::count(const Record& record, FileCounts& counts) {
  if (record.hour != edges_.last.hour()) {
    if (edges_.counted) settle(edges_.last, counts);
    if (edges_.counted && !edges_.first) {
      edges_.first.emplace(std::exchange(edges_.last, HourRun(budget_)));
      edges_.last.reserveLike(*edges_.first);
    }
    edges_.last.restart(record.hour);
  }
  edges_.counted = true;
  const int hour = record.hour.value();
  if (edges_.last.add(record.address)) ++counts.at(StatCategory::Ip, hour);
  ++counts.at(StatCategory::Pv, hour);
  if (record.crawler != kNoCrawler) ++counts.at(kCrawlerKinds[record.crawler], hour);
  if (record.catalogued != kNotCatalogued) {
    ++counts.crawlerCells[record.catalogued][hour];
    if (check_ && check_->checks(record.catalogued) && !record.address.digest) {
      countClaim(record.catalogued, record.address.text, hour);
    }
  }
}

void RecordCounter::countClaim(std::size_t crawler, std::string_view address, int hour) {
  if (address.size() > kLongestClaimAddress) return;  // no IP address: unverifiable
  const auto index = static_cast<std::uint32_t>(crawler);
  key_.assign(reinterpret_cast<const char*>(&index), sizeof index);
  key_.append(address);
  if (judged_.empty()) judged_.resize(kJudgedSlots);
  Judged& judged = judged_[hashBytes(key_) % kJudgedSlots];
  if (judged.key != key_) {
    judged.key = key_;
    judged.outcome = check_->check(crawler, address);
    judged.entry = claims_.entryFor(judged.outcome, key_, hour, check_->keepsSpoofers());
  }
  claims_.add(judged.outcome, judged.entry, crawler, hour);
}

RecordCounter::RecordCounter(std::shared_ptr<const ClaimCheck> check,
                             std::shared_ptr<const AddressBudget> budget)
    : budget_(std::move(budget)),
      edges_{false, std::nullopt, HourRun(budget_)},
      check_(std::move(check)),
      claims_(check_ ? check_->crawlerCount() : 0) {}

void RecordCounter::settle(HourRun& run, FileCounts& counts) {
  const Expected<std::size_t> wrong = run.settle();
  if (wrong.failed()) {
    if (failure_.ok()) failure_ = wrong.error();
    return;
  }
  counts.at(StatCategory::Ip, run.hour().value()) -= static_cast<Count>(*wrong);
}

Error RecordCounter::failure() const {
  if (failure_.failed()) return failure_;
  return edges_.last.failure();
}

RunEdges RecordCounter::takeEdges(FileCounts& counts) {
  if (edges_.counted) settle(edges_.last, counts);
  return std::exchange(edges_, RunEdges{false, std::nullopt, HourRun(budget_)});
}

Error joinEdges(HourRun& carried, RunEdges& part, std::size_t file, FileCounts& counts,
                std::vector<LateShare>& late) {
  if (!part.counted) return {};
  HourRun& first = part.first ? *part.first : part.last;
  if (carried.hour() == first.hour()) {
    if (carried.spilled() || first.spilled()) {
      if (const Error error = carried.defer(first, file, late); error.failed()) return error;
    } else {
      // A part of one run joins the carried one: a single pass both counts and adds.
      Expected<std::size_t> shared = std::size_t{0};
      if (part.first) {
        shared = carried.countShared(first);
      } else {
        shared = carried.absorb(first);
      }
      if (shared.failed()) return shared.error();
      counts.at(StatCategory::Ip, first.hour().value()) -= static_cast<Count>(*shared);
    }
    if (!part.first) return {};
  }
  if (const Error error = carried.settleDeferred(late); error.failed()) return error;
  carried = std::move(part.last);
  return {};
}

}  // namespace crawlmeter
