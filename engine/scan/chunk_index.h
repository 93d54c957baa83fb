// One vector pass over a read chunk that finds everything the line loop would otherwise search
// for line by line: every CR and LF, every place where a crawler text may start, every double
// quote when asked (where agents are looked for), and which 32-byte blocks hold a byte of 0x80 or
// above (where two-byte characters need care).
//
// A crawler text may start where a byte and the next are the first two of one of the texts
// ("Ba", "Go", "Ya", "So", "Yo", "ms"); such places are rare and each is checked in full later.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace crawlmeter {

// The instructions the pass runs on. Every choice gives the same index; kFastest takes the best
// the processor has, and tests force the others to test each on any machine that has it.
enum class Instructions { kFastest, kAvx2, kSse2, kPortable };

// Whether this processor runs the pass on these instructions.
bool available(Instructions instructions);

class ChunkIndex {
 public:
  // instructions must be available().
  explicit ChunkIndex(Instructions instructions = Instructions::kFastest);

  // Without findQuotes, quoteMask() must not be asked.
  void build(std::string_view chunk, bool findQuotes = false);

  // Positions of CR and LF bytes, ascending.
  std::span<const std::uint32_t> lineBreaks() const { return lineBreaks_.view(); }
  // Positions where a crawler text may start, ascending.
  std::span<const std::uint32_t> crawlerCandidates() const { return crawlerCandidates_.view(); }
  // Which bytes of block number block are '"' (bit i: byte block * kBlockBytes + i).
  std::uint32_t quoteMask(std::size_t block) const { return quoteMasks_[block]; }
  // Whether bytes [from, to) may hold a byte of 0x80 or above (true for a whole block that does).
  bool mayHoldHighByte(std::size_t from, std::size_t to) const;

  static constexpr std::size_t kBlockBytes = 32;

 private:
  // Room for one position per byte of the largest chunk so far, left uninitialised: the pass
  // writes without checking, and pages it never reaches are never touched.
  struct Positions {
    std::unique_ptr<std::uint32_t[]> storage;
    std::size_t capacity = 0;
    std::size_t size = 0;

    std::uint32_t* reserve(std::size_t count);
    std::span<const std::uint32_t> view() const { return {storage.get(), size}; }
  };

  Instructions instructions_;  // never kFastest
  Positions lineBreaks_;
  Positions crawlerCandidates_;
  std::vector<std::uint32_t> quoteMasks_;  // a bit per byte, by blocks: 1/8 of the chunk
  std::vector<std::uint64_t> highBlocks_;  // bit per block
};

}  // namespace crawlmeter
