// The chunk index: every instruction set this processor has gives the portable pass's index.
#include "scan/chunk_index.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace crawlmeter {
namespace {

std::vector<std::uint32_t> copied(std::span<const std::uint32_t> positions) {
  return {positions.begin(), positions.end()};
}

TEST(ChunkIndexTest, EveryInstructionSetGivesThePortableIndex) {
  // Bytes that matter to the index, dense enough that blocks hold many of them.
  const std::string alphabet = "\r\nBaYoGSmsx :[\x80\xB0\xFF";
  std::mt19937 random(11);
  ChunkIndex portable(Instructions::kPortable);
  for (const Instructions instructions : {Instructions::kAvx2, Instructions::kSse2}) {
    if (!available(instructions)) continue;
    ChunkIndex fast(instructions);
    for (int trial = 0; trial < 400; ++trial) {
      std::string chunk(random() % 300, ' ');
      for (char& byte : chunk) byte = alphabet[random() % alphabet.size()];
      fast.build(chunk);
      portable.build(chunk);
      ASSERT_EQ(copied(fast.lineBreaks()), copied(portable.lineBreaks())) << chunk;
      ASSERT_EQ(copied(fast.crawlerCandidates()), copied(portable.crawlerCandidates())) << chunk;
      for (std::size_t at = 0; at < chunk.size(); at += ChunkIndex::kBlockBytes) {
        ASSERT_EQ(fast.mayHoldHighByte(at, at + 1), portable.mayHoldHighByte(at, at + 1)) << at;
      }
    }
  }
}

}  // namespace
}  // namespace crawlmeter
