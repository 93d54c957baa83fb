// Fuzz target: arbitrary bytes through each format's decoder, fed in arbitrary pieces, must end
// in output or a problem, never a crash or a hang; and the bytes compressed by the format's own
// library must decode back to themselves, whatever the pieces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "compress.h"
#include "decompress/decoder.h"

namespace crawlmeter {
namespace {

constexpr Compression kFormats[] = {Compression::kGzip, Compression::kBzip2, Compression::kXz,
                                    Compression::kZstd};
// Enough for any round trip here; a bomb among the inputs is cut off there.
constexpr std::size_t kMostOutput = 16 << 20;

void check(bool condition) {
  if (!condition) std::abort();
}

// The decoded bytes, or nullopt on a problem; input arrives piece bytes at a time.
std::optional<std::string> decodeAll(Compression format, std::string_view input,
                                     std::size_t piece) {
  Expected<std::unique_ptr<Decoder>> made = Decoder::create(format);
  check(made.ok());
  Decoder& decoder = **made;
  std::string decoded;
  char out[4096];
  for (std::size_t at = 0; at <= input.size(); at += piece) {
    std::string_view rest = input.substr(std::min(at, input.size()), piece);
    for (;;) {
      const Decoder::Step step = decoder.decode(rest, out);
      check(step.consumed <= rest.size() && step.produced <= sizeof out);
      if (step.error.failed()) return std::nullopt;
      decoded.append(out, step.produced);
      rest.remove_prefix(step.consumed);
      if (decoded.size() > kMostOutput) return std::nullopt;
      if (step.consumed == 0 && step.produced == 0) break;
    }
    if (!rest.empty()) return std::nullopt;  // a decoder that stops taking input is stuck
  }
  if (decoder.finish().failed()) return std::nullopt;
  return decoded;
}

}  // namespace
}  // namespace crawlmeter

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace crawlmeter;
  if (size < 2) return 0;
  const Compression format = kFormats[data[0] % 4];
  const std::size_t piece = 1 + data[1] % 97;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  decodeAll(format, bytes, piece);
  const std::optional<std::string> back =
      decodeAll(format, testing::compress(format, bytes), piece);
  check(back && *back == bytes);
  return 0;
}
