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

// Makes the block's bytes that are one of from (a string literal) into to.
template <std::size_t N>
void replaceInBlock(char* block, const char (&from)[N], char to) {
#if defined(CRAWLMETER_BLOCKS_SSE2)
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
  __m128i found = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(from[0]));
  for (std::size_t i = 1; i + 1 < N; ++i) {
    found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(from[i])));
  }
  bytes = _mm_or_si128(_mm_andnot_si128(found, bytes), _mm_and_si128(found, _mm_set1_epi8(to)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(block), bytes);
#else
  for (std::size_t at = 0; at < kBlockBytes; ++at) {
    for (std::size_t i = 0; i + 1 < N; ++i) {
      if (block[at] == from[i]) block[at] = to;
    }
  }
#endif
}

// Makes every byte of [begin, begin + size) that is one of from (a string literal) into to, which
// must not be one of from: the last block may then overlap the one before.
template <std::size_t N>
void replaceEach(char* begin, std::size_t size, const char (&from)[N], char to) {
  static_assert(N > 1, "from holds at least one byte");
  if (size < kBlockBytes) {
    for (std::size_t at = 0; at < size; ++at) {
      for (std::size_t i = 0; i + 1 < N; ++i) {
        if (begin[at] == from[i]) begin[at] = to;
      }
    }
    return;
  }
  for (std::size_t at = 0; at + kBlockBytes < size; at += kBlockBytes) {
    replaceInBlock(begin + at, from, to);
  }
  replaceInBlock(begin + size - kBlockBytes, from, to);
}

// The positions of one byte in a text, in order: each block is read once for all its matches.
class EqualBytes {
 public:
  static constexpr std::size_t kEnd = static_cast<std::size_t>(-1);

  EqualBytes(std::string_view text, char c) : text_(text), wanted_(c) {}

  // The next position, or kEnd after the last.
  std::size_t next() {
    while (found_ == 0) {
      if (!readBlock()) return kEnd;
    }
    const std::size_t at = blockStart_ + static_cast<std::size_t>(std::countr_zero(found_));
    found_ &= found_ - 1;
    return at;
  }

 private:
  // Reads the next block into found_; false when the text is all read. The last block of a text
  // of a block or more ends at the text's end, its bytes read before left out.
  bool readBlock() {
    if (read_ >= text_.size()) return false;
    if (text_.size() < kBlockBytes) {
      for (std::size_t i = 0; i < text_.size(); ++i) found_ |= Mask{text_[i] == wanted_} << i;
      blockStart_ = 0;
    } else if (read_ + kBlockBytes > text_.size()) {
      blockStart_ = text_.size() - kBlockBytes;
      found_ = equalMask(text_.data() + blockStart_, wanted_) & (~Mask{0} << (read_ - blockStart_));
    } else {
      blockStart_ = read_;
      found_ = equalMask(text_.data() + blockStart_, wanted_);
    }
    read_ = std::min(text_.size(), blockStart_ + kBlockBytes);
    return true;
  }

  std::string_view text_;
  char wanted_;
  std::size_t read_ = 0;        // the bytes before this are read
  std::size_t blockStart_ = 0;  // where the block of found_ starts
  Mask found_ = 0;              // the last block's matches not yet told
};

}  // namespace crawlmeter::byte_blocks
