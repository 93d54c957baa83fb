// Linear probing over tables kept between a half and three quarters full: growing by half at a
// time holds a flood's addresses in about 26 bytes each, where doubling tables kept at most half
// full needed up to 64.
#include "scan/address_set.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>
#include <utility>

namespace crawlmeter {
namespace {

constexpr std::size_t kSmallestTable = 64;
// A cleared table this many times larger than what it held shrinks, so that clearing, which
// costs the table's size, stays in proportion to the addresses added since the last clear.
constexpr std::size_t kShrinkRatio = 16;
// Small tables double, so that a set of a few thousand addresses is not moved a dozen times; large
// ones grow by half.
constexpr std::size_t kLargestDoubledTable = 16384;
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

// The slot words of a text of at most 15 bytes: its length plus one (never 0, which marks an
// empty slot), the text, then zeros; built from loads that stay inside the text, as a copy of a
// variable length costs a call per address.
void inlineWords(std::string_view text, std::uint64_t* words) {
  const std::size_t n = text.size();
  if (n >= 8) {
    words[0] = load<8>(text.data()) << 8 | (n + 1);
    words[1] = load<8>(text.data() + n - 8) >> (8 * (15 - n));
  } else if (n >= 4) {
    const std::uint64_t low = load<4>(text.data()), high = load<4>(text.data() + n - 4);
    words[0] = (low | high << (8 * (n - 4))) << 8 | (n + 1);
  } else {
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < n; ++i)
      bytes |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    words[0] = bytes << 8 | (n + 1);
  }
}

// Small tables are kept at most half full, for short probes; large ones three quarters, as their
// memory is what a flood day's peak is made of.
bool tooFull(std::size_t count, std::size_t size) {
  return size < kLargestDoubledTable ? count * 2 > size : count * 4 > size * 3;
}

std::size_t grownSize(std::size_t size) {
  if (size < kLargestDoubledTable) return std::max(kSmallestTable, 2 * size);
  return size + size / 2;
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

// An address in the arena keeps its hash's high bits in its slot, so that growing a table never
// reads the arena. The bytes of an IPv6 address may hash as an inline text would: the two are told
// apart by the table's bit, not by the hash.
std::uint64_t AddressSet::hashOf(const Slot& slot) {
  if ((slot.words[0] & 0xFF) == kInArena) return slot.words[0];
  return mix((slot.words[0] ^ mix(slot.words[1] * kMultiplier)) * kMultiplier);
}

AddressSet::Probe AddressSet::probe(std::string_view text) {
  Probe probe;
  Ipv6Bytes bytes;
  if (text.size() > kLongestInline && readCanonicalIpv6(text, &bytes)) {
    std::memcpy(probe.key.words, bytes.data(), sizeof bytes);
    probe.bytes = true;
  } else if (text.size() <= kLongestInline) {
    inlineWords(text, probe.key.words);
  } else {
    probe.key.words[0] = (hashBytes(text) & ~std::uint64_t{0xFF}) | kInArena;
  }
  probe.hash = hashOf(probe.key);
  return probe;
}

std::string_view AddressSet::textOf(const Slot& slot, bool bytes, char* written) const {
  if (bytes) {
    Ipv6Bytes address;
    std::memcpy(address.data(), slot.words, sizeof address);
    return std::string_view(written, writeIpv6(address, written));
  }
  const auto* text = reinterpret_cast<const char*>(slot.words);
  const auto length = static_cast<unsigned char>(text[0]);
  if (length != kInArena) return std::string_view(text + 1, length - 1);
  const std::size_t offset = slot.words[1];
  return std::string_view(arena_).substr(offset + 2, lengthAt(arena_, offset));
}

std::size_t AddressSet::find(const Table& table, const Probe& probe, std::string_view text) const {
  const std::size_t size = table.slots.size();
  const bool inArena = probe.inArena();
  char written[kLongestIpv6Text];
  for (std::size_t at = homeOf(probe.hash, size);; at = at + 1 == size ? 0 : at + 1) {
    const Slot& slot = table.slots[at];
    if (slot.empty()) return at;
    if (slot.words[0] != probe.key.words[0]) continue;
    if (inArena ? textOf(slot, false, written) == text : slot.words[1] == probe.key.words[1]) {
      return at;
    }
  }
}

bool AddressSet::contains(std::string_view text) const {
  const Probe key = probe(text);
  const Table& table = tables_[tableOf(key)];
  return !table.slots.empty() && !table.slots[find(table, key, text)].empty();
}

std::size_t AddressSet::countShared(const AddressSet& other) const {
  std::size_t shared = 0;
  other.forEachProbe([&](const Probe& key, std::string_view text) {
    const Table& table = tables_[tableOf(key)];
    shared += !table.slots.empty() && !table.slots[find(table, key, text)].empty();
  });
  return shared;
}

// Slots are visited in the order of their places, which follows the hash: taken in that order by
// a table that fills up as they come (or that is smaller), they pile up into ever longer runs, each
// insert probing to the end of the run the ones before it made (400,000 addresses into a set of
// 400,000 took five times as long). So the larger set takes in the smaller, and each of its
// tables first grows, once, to hold both and to be no smaller than the one it takes from.
std::size_t AddressSet::absorb(AddressSet& other) {
  if (other.slotCount() > slotCount()) std::swap(*this, other);
  for (std::size_t table = 0; table < tables_.size(); ++table) {
    Table& into = tables_[table];
    const Table& from = other.tables_[table];
    into.reserve(std::max(into.count + from.count, from.slots.size() * 3 / 4));
  }
  std::size_t held = 0;
  other.forEachProbe([&](const Probe& key, std::string_view text) { held += !insert(text, key); });
  return held;
}

void AddressSet::prefetch(const Probe& probe) const {
  const Table& table = tables_[tableOf(probe)];
  if (!table.slots.empty())
    __builtin_prefetch(&table.slots[homeOf(probe.hash, table.slots.size())]);
}

bool AddressSet::insert(std::string_view text) { return insert(text, probe(text)); }

bool AddressSet::insert(std::string_view text, const Probe& probe) {
  Table& table = tables_[tableOf(probe)];
  if (tooFull(table.count + 1, table.slots.size())) table.resize(grownSize(table.slots.size()));
  const std::size_t at = find(table, probe, text);
  Slot& slot = table.slots[at];
  if (!slot.empty()) return false;
  slot = probe.key;
  if (probe.inArena()) {
    slot.words[1] = arena_.size();
    arena_ += static_cast<char>(text.size() & 0xFF);
    arena_ += static_cast<char>(text.size() >> 8);
    arena_.append(text);
  }
  ++table.count;
  ++count_;
  return true;
}

std::size_t AddressSet::slotCount() const {
  std::size_t slots = 0;
  for (const Table& table : tables_) slots += table.slots.size();
  return slots;
}

std::size_t AddressSet::memoryBytes() const {
  std::size_t bytes = arena_.capacity();
  for (const Table& table : tables_) {
    bytes += table.slots.capacity() * sizeof(Slot);
  }
  return bytes;
}

void AddressSet::reserveLike(const AddressSet& other) {
  for (std::size_t table = 0; table < tables_.size(); ++table) {
    tables_[table].reserve(other.tables_[table].count);
  }
}

// The size growth would reach, in one step: moving the slots once, not at every growth.
void AddressSet::Table::reserve(std::size_t count) {
  std::size_t size = slots.size();
  while (tooFull(count, size)) size = grownSize(size);
  if (size != slots.size()) resize(size);
}

void AddressSet::clear() {
  for (Table& table : tables_) {
    if (table.count == 0) continue;
    const std::size_t size = table.slots.size();
    if (size > kShrinkRatio * std::max(table.count, kSmallestTable / kShrinkRatio)) {
      table.slots.assign(std::max(kSmallestTable, size / kShrinkRatio), Slot());
    } else {
      std::fill(table.slots.begin(), table.slots.end(), Slot());
    }
    table.count = 0;
  }
  arena_.clear();
  count_ = 0;
}

void AddressSet::Table::resize(std::size_t size) {
  const std::vector<Slot> old = std::exchange(slots, std::vector<Slot>(size));
  for (const Slot& slot : old) {
    if (slot.empty()) continue;
    std::size_t at = homeOf(hashOf(slot), size);
    while (!slots[at].empty()) at = at + 1 == size ? 0 : at + 1;
    slots[at] = slot;
  }
}

}  // namespace crawlmeter
