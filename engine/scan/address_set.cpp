// Linear probing over a power-of-two table kept at most half full.
#include "scan/address_set.h"

#include <algorithm>
#include <cstring>

namespace crawlmeter {
namespace {

constexpr std::size_t kSmallestTable = 1024;
// A cleared table this many times larger than what it held shrinks, so that clearing, which
// costs the table's size, stays in proportion to the addresses added since the last clear.
constexpr std::size_t kShrinkRatio = 16;
constexpr unsigned kTagBits = 24;
constexpr std::uint64_t kTagMask = (std::uint64_t{1} << kTagBits) - 1;
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ULL;
  h ^= h >> 32;
  return h;
}

std::uint64_t tagOf(std::uint64_t hash) { return hash >> (64 - kTagBits); }

}  // namespace

std::uint64_t hashBytes(std::string_view bytes) {
  std::uint64_t h = bytes.size() * kMultiplier;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  for (; left >= 8; left -= 8, p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    h = mix(h ^ word) * kMultiplier;
  }
  std::uint64_t word = 0;
  std::memcpy(&word, p, left);
  return mix(h ^ word ^ (static_cast<std::uint64_t>(left) << 59));
}

std::size_t AddressSet::lengthAt(std::size_t offset) const {
  return static_cast<unsigned char>(bytes_[offset]) |
         static_cast<std::size_t>(static_cast<unsigned char>(bytes_[offset + 1])) << 8;
}

std::size_t AddressSet::find(std::string_view text, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const std::uint64_t tag = tagOf(hash);
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot slot = slots_[at];
    if (slot == 0) return at;
    if ((slot & kTagMask) == tag && textAt((slot >> kTagBits) - 1) == text) return at;
  }
}

bool AddressSet::contains(std::string_view text) const {
  return !slots_.empty() && slots_[find(text, hashBytes(text))] != 0;
}

bool AddressSet::insert(std::string_view text) {
  if ((count_ + 1) * 2 > slots_.size()) resize(std::max(kSmallestTable, slots_.size() * 2));
  const std::uint64_t hash = hashBytes(text);
  Slot& slot = slots_[find(text, hash)];
  if (slot != 0) return false;
  slot = (static_cast<std::uint64_t>(bytes_.size()) + 1) << kTagBits | tagOf(hash);
  bytes_ += static_cast<char>(text.size() & 0xFF);
  bytes_ += static_cast<char>(text.size() >> 8);
  bytes_.append(text);
  ++count_;
  return true;
}

void AddressSet::clear() {
  if (count_ == 0) return;
  if (slots_.size() > kShrinkRatio * std::max(count_, kSmallestTable / kShrinkRatio)) {
    slots_.assign(std::max(kSmallestTable, slots_.size() / kShrinkRatio), 0);
  } else {
    std::fill(slots_.begin(), slots_.end(), 0);
  }
  bytes_.clear();
  count_ = 0;
}

void AddressSet::resize(std::size_t slots) {
  slots_.assign(slots, 0);
  const std::size_t mask = slots - 1;
  for (std::size_t offset = 0; offset < bytes_.size(); offset += 2 + lengthAt(offset)) {
    const std::uint64_t hash = hashBytes(textAt(offset));
    std::size_t at = hash & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = (static_cast<std::uint64_t>(offset) + 1) << kTagBits | tagOf(hash);
  }
}

}  // namespace crawlmeter
