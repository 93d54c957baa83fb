// Linear probing over a power-of-two table kept at most half full.
#include "scan/address_set.h"

#include <algorithm>
#include <bit>
#include <type_traits>
#include <utility>

namespace crawlmeter {
namespace {

constexpr std::size_t kSmallestTable = 1024;
// A cleared table this many times larger than what it held shrinks, so that clearing, which
// costs the table's size, stays in proportion to the addresses added since the last clear.
constexpr std::size_t kShrinkRatio = 16;
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ULL;
  h ^= h >> 32;
  return h;
}

// The bytes at bytes as a little-endian number.
template <std::size_t kBytes>
std::uint64_t load(const char* bytes) {
  static_assert(std::endian::native == std::endian::little);
  std::conditional_t<kBytes == 8, std::uint64_t, std::uint32_t> value;
  std::memcpy(&value, bytes, kBytes);
  return value;
}

std::size_t lengthAt(const std::string& arena, std::size_t offset) {
  return static_cast<unsigned char>(arena[offset]) |
         static_cast<std::size_t>(static_cast<unsigned char>(arena[offset + 1])) << 8;
}

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

std::uint64_t AddressSet::hashOf(const Slot& slot) {
  if ((slot.words[0] & 0xFF) == kInArena) return slot.words[0];
  return mix((slot.words[0] ^ mix(slot.words[1] * kMultiplier)) * kMultiplier);
}

// The slot's position comes from the hash's high bits: an address in the arena keeps those in its
// slot, so that growing the table never reads the arena.
AddressSet::Slot AddressSet::keyOf(std::string_view text, std::uint64_t* hash) {
  Slot key;
  const std::size_t n = text.size();
  if (n <= kLongestInline) {
    // The slot's bytes are n + 1 (never 0, which marks an empty slot), then the text, then zeros;
    // built from loads that stay inside the text (little-endian), as a copy of a variable length
    // costs a call per address.
    if (n >= 8) {
      key.words[0] = load<8>(text.data()) << 8 | (n + 1);
      key.words[1] = load<8>(text.data() + n - 8) >> (8 * (15 - n));
    } else if (n >= 4) {
      const std::uint64_t low = load<4>(text.data()), high = load<4>(text.data() + n - 4);
      key.words[0] = (low | high << (8 * (n - 4))) << 8 | (n + 1);
    } else {
      std::uint64_t bytes = 0;
      for (std::size_t i = 0; i < n; ++i)
        bytes |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
      key.words[0] = bytes << 8 | (n + 1);
    }
  } else {
    key.words[0] = (hashBytes(text) & ~std::uint64_t{0xFF}) | kInArena;
  }
  *hash = hashOf(key);
  return key;
}

std::string_view AddressSet::textOf(const Slot& slot) const {
  const auto* bytes = reinterpret_cast<const char*>(slot.words);
  const auto length = static_cast<unsigned char>(bytes[0]);
  if (length != kInArena) return std::string_view(bytes + 1, length - 1);
  const std::size_t offset = slot.words[1];
  return std::string_view(arena_).substr(offset + 2, lengthAt(arena_, offset));
}

std::size_t AddressSet::find(const Slot& key, std::string_view text, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const bool inArena = text.size() > kLongestInline;
  for (std::size_t at = (hash >> 8) & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.empty()) return at;
    if (slot.words[0] != key.words[0]) continue;
    if (inArena ? textOf(slot) == text : slot.words[1] == key.words[1]) return at;
  }
}

bool AddressSet::contains(std::string_view text) const {
  if (slots_.empty()) return false;
  std::uint64_t hash = 0;
  const Slot key = keyOf(text, &hash);
  return !slots_[find(key, text, hash)].empty();
}

AddressSet::Probe AddressSet::probe(std::string_view text) {
  Probe probe;
  probe.key = keyOf(text, &probe.hash);
  return probe;
}

void AddressSet::prefetch(const Probe& probe) const {
  if (!slots_.empty()) __builtin_prefetch(&slots_[(probe.hash >> 8) & (slots_.size() - 1)]);
}

bool AddressSet::insert(std::string_view text) { return insert(text, probe(text)); }

bool AddressSet::insert(std::string_view text, const Probe& probe) {
  if ((count_ + 1) * 2 > slots_.size()) resize(std::max(kSmallestTable, slots_.size() * 2));
  Slot key = probe.key;
  Slot& slot = slots_[find(key, text, probe.hash)];
  if (!slot.empty()) return false;
  if (text.size() > kLongestInline) {
    key.words[1] = arena_.size();
    arena_ += static_cast<char>(text.size() & 0xFF);
    arena_ += static_cast<char>(text.size() >> 8);
    arena_.append(text);
  }
  slot = key;
  ++count_;
  return true;
}

void AddressSet::reserve(std::size_t count) {
  std::size_t slots = std::max(kSmallestTable, slots_.size());
  while (slots < count * 2) slots *= 2;
  if (slots > slots_.size()) resize(slots);
}

void AddressSet::clear() {
  if (count_ == 0) return;
  if (slots_.size() > kShrinkRatio * std::max(count_, kSmallestTable / kShrinkRatio)) {
    slots_.assign(std::max(kSmallestTable, slots_.size() / kShrinkRatio), Slot());
  } else {
    std::fill(slots_.begin(), slots_.end(), Slot());
  }
  arena_.clear();
  count_ = 0;
}

void AddressSet::resize(std::size_t slots) {
  std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots));
  const std::size_t mask = slots - 1;
  for (const Slot& slot : old) {
    if (slot.empty()) continue;
    std::size_t at = (hashOf(slot) >> 8) & mask;
    while (!slots_[at].empty()) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

}  // namespace crawlmeter
