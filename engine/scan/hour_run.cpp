// Hour-run membership, its spills, and the two operations that join runs counted apart.
#include "scan/hour_run.h"

#include <algorithm>
#include <vector>

namespace crawlmeter {
namespace {

// A digest's share of memory in the budget: its node, the bucket and the allocator's overhead.
constexpr std::size_t kDigestBytes = 64;
// The budget is looked at again after this share of the set's size has been added (or 64).
constexpr std::size_t kCheckShare = 16;

}  // namespace

HourRun::HourRun(std::shared_ptr<const AddressBudget> budget) : budget_(std::move(budget)) {}

void HourRun::restart(const HourText& hour) {
  hour_ = hour;
  addresses_.clear();
  digests_.clear();
  spilled_ = SpilledAddresses();
  calledNew_ = 0;
  checkAt_ = 0;
}

void HourRun::reserveLike(const HourRun& other) {
  // Not beyond the budget: a run that spilled would only spill again at once.
  if (budget_ && other.addresses_.memoryBytes() > budget_->runBytes) return;
  addresses_.reserveLike(other.addresses_);
}

bool HourRun::add(const Address& address) {
  bool added = false;
  if (address.digest) {
    added = digests_.insert(*address.digest).second;
  } else {
    added = address.probe ? addresses_.insert(address.text, *address.probe)
                          : addresses_.insert(address.text);
  }
  if (!added) return false;
  ++calledNew_;
  if (budget_ && addresses_.size() + digests_.size() >= checkAt_) keepToBudget();
  return true;
}

void HourRun::keepToBudget() {
  const std::size_t held = addresses_.size() + digests_.size();
  checkAt_ = held + std::max<std::size_t>(64, held / kCheckShare);
  if (failure_.failed()) return;
  if (addresses_.memoryBytes() + digests_.size() * kDigestBytes <= budget_->runBytes) return;
  failure_ = spill(*budget_->folder);
}

// A run's first spill holds every address it has: its distinct count is known until the next add.
Error HourRun::spill(TemporaryFolder& folder) {
  if (!spilled()) distinct_ = addresses_.size() + digests_.size();
  const std::vector<AddressDigest> digests(digests_.begin(), digests_.end());
  if (const Error error = spilled_.write(addresses_, digests, folder); error.failed()) {
    return error;
  }
  // The memory goes too: a set that kept room beyond the budget would spill again at once.
  addresses_ = AddressSet();
  digests_ = {};
  checkAt_ = 0;
  return {};
}

Expected<std::size_t> HourRun::settle() {
  if (failure_.failed()) return failure_;
  if (!spilled()) {
    calledNew_ = 0;
    return std::size_t{0};
  }
  if (const Error error = spill(*budget_->folder); error.failed()) return failure_ = error;
  const Expected<std::size_t> distinct = spilled_.countDistinct();
  if (distinct.failed()) return failure_ = distinct.error();
  const std::size_t wrong = calledNew_ - *distinct;
  calledNew_ = 0;
  distinct_ = *distinct;
  return wrong;
}

std::size_t HourRun::countShared(const HourRun& other) const {
  std::size_t shared = addresses_.countShared(other.addresses_);
  for (const AddressDigest& digest : other.digests_) shared += digests_.count(digest);
  return shared;
}

Expected<std::size_t> HourRun::absorb(HourRun& other) {
  if (failure_.failed()) return failure_;
  std::size_t shared = addresses_.absorb(other.addresses_);
  for (const AddressDigest& digest : other.digests_) shared += !digests_.insert(digest).second;
  if (budget_) keepToBudget();
  if (failure_.failed()) return failure_;
  return shared;
}

Error HourRun::defer(HourRun& other, std::size_t tag, std::vector<LateShare>& late) {
  if (failure_.failed()) return failure_;
  if (deferred_ && deferred_->tag != tag) {
    if (const Error error = settleDeferred(late); error.failed()) return error;
  }
  // One of the two spilled, so it has a budget and a folder; a run made without one takes it.
  if (!budget_) budget_ = other.budget_;
  TemporaryFolder& folder = *budget_->folder;
  if (!deferred_) {
    if (const Error error = spill(folder); error.failed()) return failure_ = error;
    deferred_ = Deferred{tag, distinct_};
  }
  if (const Error error = other.spill(folder); error.failed()) return failure_ = error;
  deferred_->counted += other.distinct_;
  spilled_.take(other.spilled_);
  return {};
}

Error HourRun::settleDeferred(std::vector<LateShare>& late) {
  if (!deferred_) return failure_;
  const Expected<std::size_t> distinct = spilled_.countDistinct();
  if (distinct.failed()) return failure_ = distinct.error();
  late.push_back(LateShare{deferred_->tag, hour_.value(), deferred_->counted - *distinct});
  distinct_ = *distinct;
  deferred_.reset();
  return {};
}

}  // namespace crawlmeter
