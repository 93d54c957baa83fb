// A set of client addresses (byte strings of at most 65,535 bytes), compact enough for a flood of
// millions of addresses in one hour: open-addressing tables of 16-byte slots. An IPv6 address
// written canonically lives in its slot as its 16 bytes (so "2001:db8::1" and "2001:DB8::1" stay
// two texts, as the count compares texts); any other text of up to 15 bytes (every IPv4 address)
// lives in its slot as text, a longer one in a byte arena. Texts and bytes have 16 tables each,
// split by hash, that grow by half at a time once large, so that memory follows the addresses
// closely. Cleared sets keep their memory, unless they hold far less than they have room for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/ipv6_text.h"

namespace crawlmeter {

class AddressSet {
 public:
  static constexpr std::size_t kLongestAddress = 65535;

  // Where an address goes, worked out once for both the prefetch and the insert that follows it.
  struct Probe;
  static Probe probe(std::string_view text);

  // Adds text (at most kLongestAddress bytes); true when it was not in the set.
  bool insert(std::string_view text);
  bool insert(std::string_view text, const Probe& probe);
  bool contains(std::string_view text) const;
  // How many of other's addresses this set holds too.
  std::size_t countShared(const AddressSet& other) const;
  // Adds other's addresses, leaving other with any of the two sets' addresses; returns how many
  // of other's addresses the set held already.
  std::size_t absorb(AddressSet& other);
  // Makes room for as many addresses of each kind as other holds, at once.
  void reserveLike(const AddressSet& other);
  std::size_t size() const { return count_; }
  // The bytes the set holds on the heap.
  std::size_t memoryBytes() const;
  // Starts loading the slot where the probe's address would be looked up, so that an insert soon
  // after finds it in the cache.
  void prefetch(const Probe& probe) const;
  void clear();

  // Calls visit(text, hash) for every address; hash is the one hashOf() gives its text.
  template <typename Visit>
  void forEach(Visit visit) const {
    char written[kLongestIpv6Text];
    for (std::size_t index = 0; index < tables_.size(); ++index) {
      const bool bytes = holdsBytes(index);
      for (const Slot& slot : tables_[index].slots) {
        if (!slot.empty()) visit(textOf(slot, bytes, written), hashOf(slot));
      }
    }
  }
  // The hash an address's text has in any set: equal texts, equal hashes.
  static std::uint64_t hashOf(std::string_view text) { return probe(text).hash; }

 private:
  // Empty: all zero. Bytes of an IPv6 address: in a table of bytes (never all zero, as "::" is
  // short). Inline: bytes[0] is the length plus one (1..16) and the text follows,
  // zero-padded. In the arena: bytes[0] is kInArena, the rest of the first word a tag of the
  // hash, and the second word the text's arena offset.
  struct Slot {
    std::uint64_t words[2] = {0, 0};

    bool empty() const { return (words[0] | words[1]) == 0; }
  };
  struct Table {
    std::vector<Slot> slots;
    std::size_t count = 0;
    void resize(std::size_t size);
    // Grows until count addresses fit.
    void reserve(std::size_t count);
  };
  static constexpr std::size_t kTableCount = 16;
  static constexpr std::size_t kLongestInline = 15;
  static constexpr unsigned char kInArena = 0xFF;

  static std::uint64_t hashOf(const Slot& slot);
  std::size_t slotCount() const;
  // The first kTableCount tables hold texts, the others IPv6 addresses' bytes: a slot of bytes may
  // look like one of text, and its table tells them apart.
  static std::size_t tableOf(const Probe& probe) {
    return (probe.bytes ? kTableCount : 0) + (probe.hash >> 60);
  }
  static bool holdsBytes(std::size_t table) { return table >= kTableCount; }
  static std::size_t homeOf(std::uint64_t hash, std::size_t size) {
    return static_cast<std::size_t>((static_cast<unsigned __int128>(hash << 4) * size) >> 64);
  }
  std::string_view textOf(const Slot& slot, bool bytes, char* written) const;
  // Calls visit(probe, text) for every address; text is empty unless the address is in the arena.
  template <typename Visit>
  void forEachProbe(Visit visit) const {
    for (std::size_t index = 0; index < tables_.size(); ++index) {
      for (const Slot& slot : tables_[index].slots) {
        if (slot.empty()) continue;
        Probe probe{slot, hashOf(slot), holdsBytes(index)};
        if (!probe.inArena()) {
          visit(probe, std::string_view());
          continue;
        }
        probe.key.words[1] = 0;
        visit(probe, textOf(slot, false, nullptr));
      }
    }
  }
  // The slot of table that holds probe's address, or the empty slot where it would go.
  std::size_t find(const Table& table, const Probe& probe, std::string_view text) const;

  std::array<Table, 2 * kTableCount> tables_;
  std::string arena_;  // each long address as two length bytes and its text
  std::size_t count_ = 0;

 public:
  struct Probe {
    Slot key;  // without its arena offset
    std::uint64_t hash = 0;
    bool bytes = false;  // key holds an IPv6 address's bytes

    bool inArena() const { return !bytes && (key.words[0] & 0xFF) == kInArena; }
  };
};

// A fast 64-bit hash for short byte strings.
std::uint64_t hashBytes(std::string_view bytes);

}  // namespace crawlmeter
