// A set of client addresses (byte strings of at most 65,535 bytes): an open-addressing hash set
// of 8-byte slots over one byte arena, so that the busiest hour-run of a day log costs about a
// megabyte. Cleared sets keep their memory, unless they hold far less than they have room for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace crawlmeter {

class AddressSet {
 public:
  static constexpr std::size_t kLongestAddress = 65535;

  // Adds text (at most kLongestAddress bytes); true when it was not in the set.
  bool insert(std::string_view text);
  bool contains(std::string_view text) const;
  void clear();

  template <typename Visit>
  void forEach(Visit visit) const {
    for (std::size_t at = 0; at < bytes_.size(); at += 2 + lengthAt(at)) visit(textAt(at));
  }

 private:
  // A slot holds (arena offset + 1) in its high 40 bits and 24 bits of the hash below; 0 is empty.
  using Slot = std::uint64_t;

  std::size_t lengthAt(std::size_t offset) const;
  std::string_view textAt(std::size_t offset) const {
    return std::string_view(bytes_).substr(offset + 2, lengthAt(offset));
  }
  // The slot that holds text, or the empty slot where it would go.
  std::size_t find(std::string_view text, std::uint64_t hash) const;
  void resize(std::size_t slots);

  std::vector<Slot> slots_;
  std::string bytes_;  // each address as two length bytes and its text
  std::size_t count_ = 0;
};

// A fast 64-bit hash for short byte strings.
std::uint64_t hashBytes(std::string_view bytes);

}  // namespace crawlmeter
