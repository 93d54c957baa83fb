// Streaming decoders of the four formats, each for any number of concatenated streams (gzip
// members, bzip2 and xz streams, zstd frames), in memory that depends on neither the data's size
// nor its contents beyond a fixed limit. A decoder says what is wrong in the program's words, as
// an Error of kDecompress whose detail is those words.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/error.h"
#include "decompress/compression.h"

namespace crawlmeter {

class Decoder {
 public:
  // format is not kNone. Fails with kResources when the library cannot get the memory it needs.
  static Expected<std::unique_ptr<Decoder>> create(Compression format);
  virtual ~Decoder() = default;

  struct Step {
    std::size_t consumed = 0;  // bytes of input used
    std::size_t produced = 0;  // bytes written to output
    // kDecompress on bad data, detail saying what is wrong, or kResources when the library
    // cannot start the next stream; either way nothing more is decoded.
    Error error;
  };
  // Decodes as much of input into output as both allow.
  virtual Step decode(std::string_view input, std::span<char> output) = 0;
  // At the end of the input: kDecompress when it ended inside a stream.
  virtual Error finish() = 0;
};

// The words for what can be wrong with compressed data, shared by the decoders and their reader.
inline constexpr const char* kTruncatedWords =
    translatable("the file is incomplete: the compressed data ends midway");
inline constexpr const char* kCorruptWords = translatable("the data is damaged");
inline constexpr const char* kMemoryWords =
    translatable("decompressing needs more memory than the limit allows");

}  // namespace crawlmeter
