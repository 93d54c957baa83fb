// A set of client addresses (byte strings of at most 65,535 bytes): an open-addressing hash set
// of 16-byte slots. An address of up to 15 bytes (every IPv4 address, short IPv6 ones) lives in
// its slot, so that looking it up touches one cache line; a longer one lives in a byte arena.
// Cleared sets keep their memory, unless they hold far less than they have room for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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
  // Makes room for count addresses at once, instead of growing step by step.
  void reserve(std::size_t count);
  std::size_t size() const { return count_; }
  // Starts loading the slot where the probe's address would be looked up, so that an insert soon
  // after finds it in the cache.
  void prefetch(const Probe& probe) const;
  void clear();

  template <typename Visit>
  void forEach(Visit visit) const {
    for (const Slot& slot : slots_) {
      if (!slot.empty()) visit(textOf(slot));
    }
  }

 private:
  // Empty: all zero. Inline: bytes[0] is the length plus one (1..16) and the text follows,
  // zero-padded.
  // In the arena: bytes[0] is kInArena, the rest of the first word a tag of the hash, and the
  // second word the text's arena offset.
  struct Slot {
    std::uint64_t words[2] = {0, 0};

    bool empty() const { return words[0] == 0; }
    bool operator==(const Slot&) const = default;
  };
  static constexpr std::size_t kLongestInline = 15;
  static constexpr unsigned char kInArena = 0xFF;

  // The slot text would have (its arena offset, when it has one, left out), and its hash.
  static Slot keyOf(std::string_view text, std::uint64_t* hash);
  static std::uint64_t hashOf(const Slot& slot);
  std::string_view textOf(const Slot& slot) const;
  // The slot that holds key, or the empty slot where it would go.
  std::size_t find(const Slot& key, std::string_view text, std::uint64_t hash) const;
  void resize(std::size_t slots);

  std::vector<Slot> slots_;
  std::string arena_;  // each long address as two length bytes and its text
  std::size_t count_ = 0;

 public:
  struct Probe {
    Slot key;  // without its arena offset
    std::uint64_t hash = 0;
  };
};

// A fast 64-bit hash for short byte strings.
std::uint64_t hashBytes(std::string_view bytes);

}  // namespace crawlmeter
