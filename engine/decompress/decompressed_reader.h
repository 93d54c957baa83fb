// Reads a compressed log: a thread of its own reads and decompresses it into a few buffers while
// the caller counts the buffers already filled, so that counting is hidden behind decompression
// (unless other files keep every core busy already).
// Memory is those buffers and the decoder's fixed state, whatever the size of the data or the
// length of its lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "base/error.h"
#include "decompress/compression.h"
#include "files/log_file.h"

namespace crawlmeter {

// The chunk size that suits decompressed bytes best (measured: a quarter of a megabyte was
// faster than one megabyte on fourteen rotated days).
inline constexpr std::size_t kDecompressedChunkBytes = 256 << 10;

// Takes the next decompressed bytes and the compressed bytes read since the chunk before; false
// stops the reading (kCancelled).
using DecompressedTaker = std::function<bool(std::string_view chunk, std::size_t compressedBytes)>;

// Decompresses file, whose first bytes (already read by the caller, possibly none) are head and
// whose format is format, in chunks of up to chunkBytes: on a thread of its own, or on the
// calling thread when other work keeps the other cores busy. Bad data, a damaged header
// included, fails with kDecompress, whose detail names the format, what is wrong and where;
// memory that cannot be had fails with kResources. Nothing is thrown.
Error readDecompressed(const LogFile& file, Compression format, std::string_view head,
                       std::size_t chunkBytes, bool ownThread, const DecompressedTaker& take);

}  // namespace crawlmeter
