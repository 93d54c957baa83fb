// Which compressed format a log is in, told by its first bytes whatever its name: gzip, bzip2, xz
// or zstd. A plain-text log that merely starts like one of them ("BZh" is text) is told apart by
// the bytes that must follow the magic.
#pragma once

#include <cstddef>
#include <string_view>

namespace crawlmeter {

enum class Compression { kNone, kGzip, kBzip2, kXz, kZstd };

// "gzip", "bzip2", "xz" or "zstd"; empty for kNone.
std::string_view compressionName(Compression compression);

// The bytes compressionOf needs to decide.
inline constexpr std::size_t kMagicBytes = 10;

// The format of a file whose first bytes are head (all of them when the file is shorter than
// kMagicBytes); kNone for a plain log.
Compression compressionOf(std::string_view head);

}  // namespace crawlmeter
