// The chunk pass, in 32-byte blocks: with AVX2 where the processor has it, with SSE2 on other
// x86-64 processors, byte by byte elsewhere. All three give the same index.
#include "scan/chunk_index.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CRAWLMETER_X86 1
#endif

namespace crawlmeter {
namespace {

// The index under construction: raw output pointers into storage sized for the worst case.
struct Output {
  std::uint32_t* breaks;
  std::uint32_t* candidates;
  std::uint64_t* highBlocks;

  void addBlock(std::uint32_t base, std::uint32_t breakMask, std::uint32_t candidateMask,
                bool high) {
    for (; breakMask != 0; breakMask &= breakMask - 1) *breaks++ = base + __builtin_ctz(breakMask);
    for (; candidateMask != 0; candidateMask &= candidateMask - 1) {
      *candidates++ = base + __builtin_ctz(candidateMask);
    }
    const std::uint32_t block = base / ChunkIndex::kBlockBytes;
    if (high) highBlocks[block / 64] |= std::uint64_t{1} << (block % 64);
  }
};

bool startsCrawlerPair(unsigned char first, unsigned char second) {
  switch (first) {
    case 'B':
      return second == 'a';
    case 'G':
    case 'S':
      return second == 'o';
    case 'Y':
      return second == 'a' || second == 'o';
    case 'm':
      return second == 's';
    default:
      return false;
  }
}

// Bytes [from, size) one at a time; from is a block boundary.
void indexBytes(std::string_view chunk, std::size_t from, Output& out) {
  for (std::size_t base = from; base < chunk.size(); base += ChunkIndex::kBlockBytes) {
    std::uint32_t breaks = 0, candidates = 0;
    bool high = false;
    for (std::size_t i = 0; i < ChunkIndex::kBlockBytes && base + i < chunk.size(); ++i) {
      const auto byte = static_cast<unsigned char>(chunk[base + i]);
      const auto next =
          base + i + 1 < chunk.size() ? static_cast<unsigned char>(chunk[base + i + 1]) : 0;
      breaks |= static_cast<std::uint32_t>(byte == '\r' || byte == '\n') << i;
      candidates |= static_cast<std::uint32_t>(startsCrawlerPair(byte, next)) << i;
      high |= byte >= 0x80;
    }
    out.addBlock(static_cast<std::uint32_t>(base), breaks, candidates, high);
  }
}

#if defined(CRAWLMETER_X86)
// Masks for 16 positions: which bytes are CR or LF, which start a crawler pair, which are high.
struct Masks16 {
  std::uint32_t breaks, candidates, high;
};

Masks16 masksSse2(const char* at) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
  const auto is = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  const __m128i breaks = _mm_or_si128(is(first, '\r'), is(first, '\n'));
  const __m128i startA =
      _mm_and_si128(_mm_or_si128(is(first, 'B'), is(first, 'Y')), is(second, 'a'));
  const __m128i startO = _mm_and_si128(
      _mm_or_si128(_mm_or_si128(is(first, 'G'), is(first, 'Y')), is(first, 'S')), is(second, 'o'));
  const __m128i startMs = _mm_and_si128(is(first, 'm'), is(second, 's'));
  const __m128i candidates = _mm_or_si128(_mm_or_si128(startA, startO), startMs);
  return {static_cast<std::uint32_t>(_mm_movemask_epi8(breaks)),
          static_cast<std::uint32_t>(_mm_movemask_epi8(candidates)),
          static_cast<std::uint32_t>(_mm_movemask_epi8(first))};
}

// Blocks whose second-byte load stays inside the chunk; returns where it stopped.
std::size_t indexSse2(std::string_view chunk, Output& out) {
  std::size_t base = 0;
  for (; base + ChunkIndex::kBlockBytes < chunk.size(); base += ChunkIndex::kBlockBytes) {
    const Masks16 low = masksSse2(chunk.data() + base);
    const Masks16 high = masksSse2(chunk.data() + base + 16);
    out.addBlock(static_cast<std::uint32_t>(base), low.breaks | high.breaks << 16,
                 low.candidates | high.candidates << 16, (low.high | high.high) != 0);
  }
  return base;
}

__attribute__((target("avx2"), always_inline)) inline __m256i is(__m256i bytes, char c) {
  return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(c));
}

__attribute__((target("avx2"))) std::size_t indexAvx2(std::string_view chunk, Output& out) {
  std::size_t base = 0;
  for (; base + ChunkIndex::kBlockBytes < chunk.size(); base += ChunkIndex::kBlockBytes) {
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk.data() + base));
    const __m256i second =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk.data() + base + 1));
    const __m256i breaks = _mm256_or_si256(is(first, '\r'), is(first, '\n'));
    const __m256i startA =
        _mm256_and_si256(_mm256_or_si256(is(first, 'B'), is(first, 'Y')), is(second, 'a'));
    const __m256i startO = _mm256_and_si256(
        _mm256_or_si256(_mm256_or_si256(is(first, 'G'), is(first, 'Y')), is(first, 'S')),
        is(second, 'o'));
    const __m256i startMs = _mm256_and_si256(is(first, 'm'), is(second, 's'));
    const __m256i candidates = _mm256_or_si256(_mm256_or_si256(startA, startO), startMs);
    out.addBlock(static_cast<std::uint32_t>(base),
                 static_cast<std::uint32_t>(_mm256_movemask_epi8(breaks)),
                 static_cast<std::uint32_t>(_mm256_movemask_epi8(candidates)),
                 _mm256_movemask_epi8(first) != 0);
  }
  return base;
}
#endif

}  // namespace

std::uint32_t* ChunkIndex::Positions::reserve(std::size_t count) {
  if (count > capacity) {
    storage = std::make_unique_for_overwrite<std::uint32_t[]>(count);
    capacity = count;
  }
  return storage.get();
}

void ChunkIndex::build(std::string_view chunk) {
  highBlocks_.assign(chunk.size() / kBlockBytes / 64 + 1, 0);
  Output out{lineBreaks_.reserve(chunk.size()), crawlerCandidates_.reserve(chunk.size()),
             highBlocks_.data()};
  std::size_t done = 0;
#if defined(CRAWLMETER_X86)
  done = __builtin_cpu_supports("avx2") ? indexAvx2(chunk, out) : indexSse2(chunk, out);
#endif
  indexBytes(chunk, done, out);
  lineBreaks_.size = static_cast<std::size_t>(out.breaks - lineBreaks_.storage.get());
  crawlerCandidates_.size =
      static_cast<std::size_t>(out.candidates - crawlerCandidates_.storage.get());
}

bool ChunkIndex::mayHoldHighByte(std::size_t from, std::size_t to) const {
  if (from >= to) return false;
  for (std::size_t block = from / kBlockBytes; block <= (to - 1) / kBlockBytes; ++block) {
    if (highBlocks_[block / 64] >> (block % 64) & 1) return true;
  }
  return false;
}

}  // namespace crawlmeter
