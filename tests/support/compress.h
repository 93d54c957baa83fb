// Compressed files for tests, made with the formats' own libraries, so that tests need no
// compression programs on the machine.
#pragma once

#include <string>
#include <string_view>

#include "decompress/compression.h"

namespace crawlmeter::testing {

// bytes as one complete stream (gzip member, bzip2 or xz stream, zstd frame) of format.
std::string compress(Compression format, std::string_view bytes);

}  // namespace crawlmeter::testing
