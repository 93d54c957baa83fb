// Byte searches and replacements sixteen bytes at a time, for the short texts of one record: a
// library call per field, or a step per byte, costs more than the field's bytes themselves.
// SSE2 on x86-64 (every such processor has it), a byte at a time elsewhere: the same results.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define CRAWLMETER_BLOCKS_SSE2 1
#endif

namespace crawlmeter::byte_blocks {

inline constexpr std::size_t kBlockBytes = 16;
using Mask = std::uint32_t;  // bit i for byte i of a block

// The byte at a time fallback, and the bytes after the last whole block.
template <std::size_t N>
void copyBytesReplacing(char* dest, const char* source, std::size_t size, const char (&from)[N],
                        char to) {
  for (std::size_t at = 0; at < size; ++at) {
    char c = source[at];
    for (std::size_t i = 0; i + 1 < N; ++i) c = c == from[i] ? to : c;
    dest[at] = c;
  }
}

// Which of the block's bytes equal c.
inline Mask equalMask(const char* block, char c) {
#if defined(CRAWLMETER_BLOCKS_SSE2)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
  return static_cast<Mask>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
#else
  Mask mask = 0;
  for (std::size_t i = 0; i < kBlockBytes; ++i) mask |= Mask{block[i] == c} << i;
  return mask;
#endif
}

// Copies the block at source to dest with the bytes that are one of from (a string literal)
// made into to.
template <std::size_t N>
void copyBlockReplacing(char* dest, const char* source, const char (&from)[N], char to) {
#if defined(CRAWLMETER_BLOCKS_SSE2)
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
  __m128i found = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(from[0]));
  for (std::size_t i = 1; i + 1 < N; ++i) {
    found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(from[i])));
  }
  bytes = _mm_or_si128(_mm_andnot_si128(found, bytes), _mm_and_si128(found, _mm_set1_epi8(to)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), bytes);
#else
  copyBytesReplacing(dest, source, kBlockBytes, from, to);
#endif
}

// Copies size bytes from source to dest with the bytes that are one of from (a string literal)
// made into to. dest and source are the same or do not overlap. A copy of a block or more ends
// with a block that may overlap the one before: it reads source, never what was just written.
template <std::size_t N>
void copyReplacing(char* dest, const char* source, std::size_t size, const char (&from)[N],
                   char to) {
  static_assert(N > 1, "from holds at least one byte");
  if (size < kBlockBytes || dest == source) {
    std::size_t at = 0;
    for (; dest == source && at + kBlockBytes <= size; at += kBlockBytes) {
      copyBlockReplacing(dest + at, source + at, from, to);
    }
    copyBytesReplacing(dest + at, source + at, size - at, from, to);
    return;
  }
  for (std::size_t at = 0; at + kBlockBytes < size; at += kBlockBytes) {
    copyBlockReplacing(dest + at, source + at, from, to);
  }
  copyBlockReplacing(dest + size - kBlockBytes, source + size - kBlockBytes, from, to);
}

// Makes every byte of [begin, begin + size) that is one of from (a string literal) into to.
template <std::size_t N>
void replaceEach(char* begin, std::size_t size, const char (&from)[N], char to) {
  copyReplacing(begin, begin, size, from, to);
}

// Which of the bytes [at, text's end) of a text equal c, fewer than a block: the text's last
// block shifted, when it has one.
inline Mask tailMask(std::string_view text, std::size_t at, char c) {
  if (text.size() >= kBlockBytes) {
    const std::size_t last = text.size() - kBlockBytes;
    return equalMask(text.data() + last, c) >> (at - last);
  }
  Mask mask = 0;
  for (std::size_t i = at; i < text.size(); ++i) mask |= Mask{text[i] == c} << (i - at);
  return mask;
}

// Which of the 64 bytes from base (fewer at the text's end) equal c.
inline std::uint64_t equalMask64(std::string_view text, std::size_t base, char c) {
  std::uint64_t mask = 0;
  for (std::size_t part = 0; part < 64; part += kBlockBytes) {
    const std::size_t at = base + part;
    if (at + kBlockBytes <= text.size()) {
      mask |= std::uint64_t{equalMask(text.data() + at, c)} << part;
    } else {
      if (at < text.size()) mask |= std::uint64_t{tailMask(text, at, c)} << part;
      break;
    }
  }
  return mask;
}

// Writes the positions of the bytes of text that equal c to positions, in order, and returns
// their number; stops once there are more than most. positions has room for most + 64.
inline std::size_t findEach(std::string_view text, char c, std::size_t most,
                            std::uint32_t* positions) {
  std::size_t count = 0;
  for (std::size_t base = 0; base < text.size() && count <= most; base += 64) {
    for (std::uint64_t mask = equalMask64(text, base, c); mask != 0; mask &= mask - 1) {
      positions[count++] = static_cast<std::uint32_t>(base + std::countr_zero(mask));
    }
  }
  return count;
}

}  // namespace crawlmeter::byte_blocks
