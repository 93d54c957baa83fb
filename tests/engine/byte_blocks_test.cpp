// The block searches and replacements against the plain byte-by-byte ones, on every length and
// match position around the block and 64-byte edges, where the last block overlaps or is short.
#include "logformat/byte_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace crawlmeter {
namespace {

// Texts of every length to 140, with matches at a few strides: a single match, none, every byte,
// and matches in the last block.
std::vector<std::string> texts() {
  std::vector<std::string> all;
  for (std::size_t size = 0; size <= 140; ++size) {
    for (const std::size_t stride : {1, 3, 7, 16, 17, 64}) {
      std::string text(size, 'a');
      for (std::size_t at = stride - 1; at < size; at += stride) text[at] = at % 2 ? ' ' : '\r';
      all.push_back(text);
    }
  }
  return all;
}

TEST(ByteBlocksTest, FindEachFindsEveryMatchInOrderAndStopsPastMost) {
  for (const std::string& text : texts()) {
    std::vector<std::uint32_t> expected;
    for (std::size_t at = 0; at < text.size(); ++at) {
      if (text[at] == ' ') expected.push_back(static_cast<std::uint32_t>(at));
    }
    for (const std::size_t most : {std::size_t{2}, std::size_t{200}}) {
      std::vector<std::uint32_t> found(most + 64);
      const std::size_t count = byte_blocks::findEach(text, ' ', most, found.data());
      if (expected.size() <= most) {
        found.resize(count);
        EXPECT_EQ(found, expected) << '"' << text << "\" most " << most;
      } else {
        EXPECT_GT(count, most) << '"' << text << '"';
      }
    }
  }
}

TEST(ByteBlocksTest, CopyReplacingMatchesTheByteByByteReplacement) {
  for (const std::string& text : texts()) {
    std::string expected = text;
    for (char& c : expected) c = c == ' ' || c == '\r' ? '\t' : c;
    // Bytes around the copy must stay as they were.
    std::string copied(text.size() + 2, '#');
    byte_blocks::copyReplacing(copied.data() + 1, text.data(), text.size(), " \r", '\t');
    EXPECT_EQ(copied, '#' + expected + '#') << '"' << text << '"';
    std::string inPlace = '#' + text + '#';
    byte_blocks::replaceEach(inPlace.data() + 1, text.size(), " \r", '\t');
    EXPECT_EQ(inPlace, '#' + expected + '#') << '"' << text << '"';
  }
}

}  // namespace
}  // namespace crawlmeter
