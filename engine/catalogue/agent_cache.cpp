// An open-addressing table over an arena of agents' texts.
#include "catalogue/agent_cache.h"

#include <cstring>

namespace crawlmeter {
namespace {

constexpr std::uint32_t kEmpty = UINT32_MAX;

std::uint64_t load64(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// Eight bytes at a time, the last word overlapping the one before: no call, and most agents are
// found equal after a hundred bytes or so.
bool sameBytes(const char* a, const char* b, std::size_t size) {
  if (size < 8) return std::memcmp(a, b, size) == 0;
  for (std::size_t at = 0; at + 8 < size; at += 8) {
    if (load64(a + at) != load64(b + at)) return false;
  }
  return load64(a + size - 8) == load64(b + size - 8);
}

std::uint64_t mixed(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

AgentCache::AgentCache() : slots_(kSlots) { clear(); }

// Four words sampled across the agent and its length: the bytes are compared anyway, and agents
// that share the samples only lengthen a probe. Hashing every byte cost more than the rest of the
// lookup.
std::uint64_t AgentCache::hashOf(std::string_view agent) {
  const std::size_t size = agent.size();
  std::uint64_t h = 0x9e3779b97f4a7c15ULL * (size + 1);
  if (size < 16) {
    for (const char c : agent) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return mixed(h);
  }
  const char* bytes = agent.data();
  h ^= mixed(load64(bytes) ^ 0x87c37b91114253d5ULL);
  const std::size_t last = size - 8;
  h ^= mixed(load64(bytes + last / 3) + h);
  h ^= mixed(load64(bytes + last * 2 / 3) + h);
  return mixed(load64(bytes + last) + h);
}

std::optional<std::uint32_t> AgentCache::find(std::string_view agent, std::uint64_t hash) const {
  for (std::size_t at = hash & (kSlots - 1);; at = (at + 1) & (kSlots - 1)) {
    const Slot& slot = slots_[at];
    if (slot.length == kEmpty) return std::nullopt;
    if (slot.hash == static_cast<std::uint32_t>(hash >> 32) && slot.length == agent.size() &&
        sameBytes(text_.data() + slot.offset, agent.data(), agent.size())) {
      return slot.crawler;
    }
  }
}

void AgentCache::insert(std::string_view agent, std::uint64_t hash, std::uint32_t crawler) {
  if (agent.size() > kLongestAgent) return;
  if (agents_ == kMostAgents || text_.size() + agent.size() > kMostTextBytes) clear();
  std::size_t at = hash & (kSlots - 1);
  while (slots_[at].length != kEmpty) at = (at + 1) & (kSlots - 1);
  slots_[at] =
      Slot{static_cast<std::uint32_t>(hash >> 32), static_cast<std::uint32_t>(text_.size()),
           static_cast<std::uint32_t>(agent.size()), crawler};
  text_.append(agent);
  ++agents_;
}

void AgentCache::clear() {
  for (Slot& slot : slots_) slot.length = kEmpty;
  text_.clear();
  agents_ = 0;
}

}  // namespace crawlmeter
