// Tallying judged claims, and joining the tallies of a file's pieces in order.
#include "scan/claim_tally.h"

#include "scan/address_set.h"

namespace crawlmeter {
namespace {

void addCells(std::vector<HourCells>& sum, const std::vector<HourCells>& more) {
  if (sum.size() < more.size()) sum.resize(more.size());
  for (std::size_t crawler = 0; crawler < more.size(); ++crawler) {
    for (int hour = 0; hour < kHourSlots; ++hour) sum[crawler][hour] += more[crawler][hour];
  }
}

}  // namespace

std::string claimKey(std::size_t crawler, std::string_view address) {
  const auto index = static_cast<std::uint32_t>(crawler);
  std::string key(reinterpret_cast<const char*>(&index), sizeof index);
  key += address;
  return key;
}

std::size_t crawlerOfKey(std::string_view key) {
  std::uint32_t crawler = 0;
  std::memcpy(&crawler, key.data(), sizeof crawler);
  return crawler;
}

std::size_t ClaimKeyHash::operator()(const std::string& key) const { return hashBytes(key); }

void* ClaimTally::entryFor(ClaimOutcome outcome, const std::string& key, int hour,
                           bool keepsSpoofers) {
  if (outcome == ClaimOutcome::kSpoofed && keepsSpoofers) {
    auto [found, added] = spoofers.try_emplace(key);
    if (added) found->second.firstHour = static_cast<std::uint8_t>(hour);
    return &found->second;
  }
  if (outcome == ClaimOutcome::kDeferred) {
    auto [found, added] = deferred.try_emplace(key);
    if (added) found->second.firstHour = static_cast<std::uint8_t>(hour);
    return &found->second;
  }
  return nullptr;
}

void ClaimTally::add(ClaimOutcome outcome, void* entry, std::size_t crawler, int hour) {
  switch (outcome) {
    case ClaimOutcome::kVerified:
      ++verified[crawler][hour];
      return;
    case ClaimOutcome::kSpoofed: {
      ++spoofed[crawler][hour];
      if (entry == nullptr) return;
      auto& counts = *static_cast<SpoofCounts*>(entry);
      if (hour < kReportedHours) ++counts.lines;
      counts.lastHour = static_cast<std::uint8_t>(hour);
      return;
    }
    case ClaimOutcome::kDeferred: {
      auto& counts = *static_cast<DeferredCounts*>(entry);
      ++counts.hours[hour];
      counts.lastHour = static_cast<std::uint8_t>(hour);
      return;
    }
    case ClaimOutcome::kUnverifiable:
      return;
  }
}

void ClaimTally::append(const ClaimTally& later) {
  addCells(verified, later.verified);
  addCells(spoofed, later.spoofed);
  for (const auto& [key, counts] : later.spoofers) {
    auto [found, added] = spoofers.try_emplace(key, counts);
    if (added) continue;
    found->second.lines += counts.lines;
    found->second.lastHour = counts.lastHour;
  }
  for (const auto& [key, counts] : later.deferred) {
    auto [found, added] = deferred.try_emplace(key, counts);
    if (added) continue;
    for (int hour = 0; hour < kHourSlots; ++hour) found->second.hours[hour] += counts.hours[hour];
    found->second.lastHour = counts.lastHour;
  }
}

}  // namespace crawlmeter
