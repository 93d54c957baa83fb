// The chunk pass, in 32-byte blocks: with AVX2 where the processor has it, with SSE2 on other
// x86-64 processors, byte by byte elsewhere (and for the last block). All three give the same
// index; the vector pass is written once, in chunk_index_blocks.inc.
#include "scan/chunk_index.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/kinds.h"

// SSE2 is part of every x86-64 processor; 32-bit x86 takes the portable pass.
#if defined(__x86_64__)
#include <immintrin.h>
#define CRAWLMETER_X86 1
#endif

namespace crawlmeter {
namespace {

// Which of 32 bytes are CR or LF, which start a crawler pair, which are quotes, which are 0x80 or
// above.
struct BlockMasks {
  std::uint32_t breaks = 0, candidates = 0, quotes = 0, high = 0;
};

// The index under construction: raw output pointers into storage sized for the worst case.
struct Output {
  std::uint32_t* breaks;
  std::uint32_t* candidates;
  std::uint32_t* quoteMasks;  // one mask a block, when quotes are looked for
  std::uint64_t* highBlocks;

  static std::uint32_t* addPositions(std::uint32_t* out, std::uint32_t base, std::uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) *out++ = base + __builtin_ctz(mask);
    return out;
  }

  void addBlock(std::uint32_t base, const BlockMasks& masks, bool high) {
    breaks = addPositions(breaks, base, masks.breaks);
    candidates = addPositions(candidates, base, masks.candidates);
    const std::uint32_t block = base / ChunkIndex::kBlockBytes;
    if (quoteMasks != nullptr) quoteMasks[block] = masks.quotes;
    if (high) highBlocks[block / 64] |= std::uint64_t{1} << (block % 64);
  }
};

bool startsCrawlerPair(unsigned char first, unsigned char second) {
  for (std::string_view text : kCrawlerTexts) {
    if (static_cast<unsigned char>(text[0]) == first &&
        static_cast<unsigned char>(text[1]) == second) {
      return true;
    }
  }
  return false;
}

// The vector pass spells the pairs out for speed (chunk_index_blocks.inc); a crawler kind whose
// text starts otherwise must be added there too.
constexpr std::array<std::string_view, 6> kVectorPairs = {"Ba", "Ya", "Go", "Yo", "So", "ms"};
static_assert(
    [] {
      for (std::string_view text : kCrawlerTexts) {
        if (std::find(kVectorPairs.begin(), kVectorPairs.end(), text.substr(0, 2)) ==
            kVectorPairs.end()) {
          return false;
        }
      }
      return true;
    }(),
    "every crawler text starts with a pair the vector pass looks for");

// Bytes [from, size) one at a time; from is a block boundary.
void indexBytes(std::string_view chunk, std::size_t from, bool findQuotes, Output& out) {
  for (std::size_t base = from; base < chunk.size(); base += ChunkIndex::kBlockBytes) {
    BlockMasks masks;
    for (std::size_t i = 0; i < ChunkIndex::kBlockBytes && base + i < chunk.size(); ++i) {
      const auto byte = static_cast<unsigned char>(chunk[base + i]);
      const auto next =
          base + i + 1 < chunk.size() ? static_cast<unsigned char>(chunk[base + i + 1]) : 0;
      masks.breaks |= static_cast<std::uint32_t>(byte == '\r' || byte == '\n') << i;
      masks.candidates |= static_cast<std::uint32_t>(startsCrawlerPair(byte, next)) << i;
      masks.quotes |= static_cast<std::uint32_t>(findQuotes && byte == '"') << i;
      masks.high |= byte >= 0x80;
    }
    out.addBlock(static_cast<std::uint32_t>(base), masks, masks.high != 0);
  }
}

#if defined(CRAWLMETER_X86)
namespace sse2 {
#define CRAWLMETER_TARGET
struct Vector {
  using Bytes = __m128i;
  static constexpr std::size_t kBytes = 16;
  static Bytes load(const char* at) { return _mm_loadu_si128(reinterpret_cast<const Bytes*>(at)); }
  static Bytes is(Bytes bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); }
  static Bytes either(Bytes a, Bytes b) { return _mm_or_si128(a, b); }
  static Bytes both(Bytes a, Bytes b) { return _mm_and_si128(a, b); }
  static std::uint32_t mask(Bytes bytes) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(bytes));
  }
};
#include "scan/chunk_index_blocks.inc"
#undef CRAWLMETER_TARGET
}  // namespace sse2

namespace avx2 {
#define CRAWLMETER_TARGET __attribute__((target("avx2")))
struct Vector {
  using Bytes = __m256i;
  static constexpr std::size_t kBytes = 32;
  CRAWLMETER_TARGET static Bytes load(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const Bytes*>(at));
  }
  CRAWLMETER_TARGET static Bytes is(Bytes bytes, char c) {
    return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(c));
  }
  CRAWLMETER_TARGET static Bytes either(Bytes a, Bytes b) { return _mm256_or_si256(a, b); }
  CRAWLMETER_TARGET static Bytes both(Bytes a, Bytes b) { return _mm256_and_si256(a, b); }
  CRAWLMETER_TARGET static std::uint32_t mask(Bytes bytes) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
  }
};
#include "scan/chunk_index_blocks.inc"
#undef CRAWLMETER_TARGET
}  // namespace avx2
#endif

}  // namespace

std::uint32_t* ChunkIndex::Positions::reserve(std::size_t count) {
  if (count > capacity) {
    storage = std::make_unique_for_overwrite<std::uint32_t[]>(count);
    capacity = count;
  }
  return storage.get();
}

bool available(Instructions instructions) {
  switch (instructions) {
#if defined(CRAWLMETER_X86)
    case Instructions::kAvx2:
      return __builtin_cpu_supports("avx2");
    case Instructions::kSse2:
      return __builtin_cpu_supports("sse2");
#endif
    case Instructions::kFastest:
    case Instructions::kPortable:
      return true;
    default:
      return false;
  }
}

ChunkIndex::ChunkIndex(Instructions instructions) : instructions_(instructions) {
  if (instructions_ != Instructions::kFastest) return;
  instructions_ = available(Instructions::kAvx2)   ? Instructions::kAvx2
                  : available(Instructions::kSse2) ? Instructions::kSse2
                                                   : Instructions::kPortable;
}

void ChunkIndex::build(std::string_view chunk, bool findQuotes) {
  const std::size_t blocks = chunk.size() / kBlockBytes + 1;
  highBlocks_.assign(blocks / 64 + 1, 0);
  quoteMasks_.resize(findQuotes ? blocks : 0);
  Output out{lineBreaks_.reserve(chunk.size()), crawlerCandidates_.reserve(chunk.size()),
             findQuotes ? quoteMasks_.data() : nullptr, highBlocks_.data()};
  std::size_t done = 0;
#if defined(CRAWLMETER_X86)
  if (instructions_ == Instructions::kAvx2) {
    done = findQuotes ? avx2::indexBlocks<true>(chunk, out) : avx2::indexBlocks<false>(chunk, out);
  }
  if (instructions_ == Instructions::kSse2) {
    done = findQuotes ? sse2::indexBlocks<true>(chunk, out) : sse2::indexBlocks<false>(chunk, out);
  }
#endif
  indexBytes(chunk, done, findQuotes, out);
  lineBreaks_.size = static_cast<std::size_t>(out.breaks - lineBreaks_.storage.get());
  crawlerCandidates_.size =
      static_cast<std::size_t>(out.candidates - crawlerCandidates_.storage.get());
}

// A word of block bits at a time: a line spans a few blocks, and this is asked for every line.
bool ChunkIndex::mayHoldHighByte(std::size_t from, std::size_t to) const {
  if (from >= to) return false;
  const std::size_t first = from / kBlockBytes, last = (to - 1) / kBlockBytes;
  for (std::size_t word = first / 64; word <= last / 64; ++word) {
    std::uint64_t bits = highBlocks_[word];
    if (word == first / 64) bits &= ~std::uint64_t{0} << (first % 64);
    if (word == last / 64) bits &= ~std::uint64_t{0} >> (63 - last % 64);
    if (bits != 0) return true;
  }
  return false;
}

}  // namespace crawlmeter
