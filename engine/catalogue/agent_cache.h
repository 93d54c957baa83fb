// The crawlers lately judged for user agents, keyed by the agent's whole text: most lines of a day
// repeat a few thousand agents, and an agent's crawler depends on its text alone, so each
// distinct agent is searched once. Memory stays bounded whatever the agents: past a few thousand,
// or a megabyte of text, the cache starts again empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace crawlmeter {

class AgentCache {
 public:
  // Longer agents are not kept: they are searched each time.
  static constexpr std::size_t kLongestAgent = 1024;

  AgentCache();
  static std::uint64_t hashOf(std::string_view agent);
  // Readies the memory a find of that hash will touch first.
  void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[hash & (kSlots - 1)]); }
  // The crawler remembered for agent, whose hash is hash.
  std::optional<std::uint32_t> find(std::string_view agent, std::uint64_t hash) const;
  // Remembers agent (at most kLongestAgent bytes), known not to be kept yet.
  void insert(std::string_view agent, std::uint64_t hash, std::uint32_t crawler);

 private:
  // Sixteen bytes, so that four share a cache line.
  struct Slot {
    std::uint32_t hash = 0;    // the hash's high half (its low bits choose the slot)
    std::uint32_t offset = 0;  // into text_
    std::uint32_t length = 0;  // UINT32_MAX: empty
    std::uint32_t crawler = 0;
  };
  static constexpr std::size_t kSlots = 16384;  // a power of two, at most a quarter full
  static constexpr std::size_t kMostAgents = kSlots / 4;
  static constexpr std::size_t kMostTextBytes = 1 << 20;

  void clear();

  std::vector<Slot> slots_;
  std::string text_;
  std::size_t agents_ = 0;
};

}  // namespace crawlmeter
