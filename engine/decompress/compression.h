// Which compressed format a log is in, told by its first bytes whatever its name: gzip, bzip2, xz
// or zstd. A file claims a format by its magic: gzip 1F 8B, xz FD "7zXZ" 00, zstd 28 B5 2F FD (or
// a skippable frame's magic), no text log starting with any of them; bzip2 by "BZh", a block size
// digit 1 to 9, then a block's magic or a byte no text holds, since a host name may start with
// "BZh9" (such a log stays text). A file that claims a format and whose header is wrong is
// damaged, never text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/error.h"

namespace crawlmeter {

enum class Compression { kNone, kGzip, kBzip2, kXz, kZstd };

// "gzip", "bzip2", "xz" or "zstd"; empty for kNone.
std::string_view compressionName(Compression compression);

// The bytes compressionOf and headerError need to decide.
inline constexpr std::size_t kMagicBytes = 10;

// The format a file's first bytes head claim (all of them when the file is shorter than
// kMagicBytes); kNone for a plain log.
Compression compressionOf(std::string_view head);

// What is wrong with the header a file's first bytes head (as compressionOf takes them) give
// for format, the format they claim: kDecompress whose detail is compressedDataProblem's words;
// nothing when the fields head holds are right (a header cut short is left to the decoder).
Error headerError(Compression format, std::string_view head);

// The words for compressed data in format that is wrong at offset (of the compressed file).
Message compressedDataProblem(Compression format, std::uint64_t offset, Message problem);

}  // namespace crawlmeter
