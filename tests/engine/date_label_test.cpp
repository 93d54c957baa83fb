// Date labels: the text between the file's first '[' character and the next ':'.
#include "scan/date_label.h"

#include <gtest/gtest.h>

namespace crawlmeter {
namespace {

std::string labelOf(std::string_view bytes, std::size_t chunk = 1 << 20) {
  DateLabelScanner scanner;
  for (std::size_t at = 0; at < bytes.size(); at += chunk) scanner.feed(bytes.substr(at, chunk));
  return *scanner.label();
}

TEST(DateLabelTest, TakesTextBetweenFirstBracketAndNextColon) {
  EXPECT_EQ(labelOf("10.0.0.1 - - [25/Aug/2009:00:01:02 +0800] \"GET /\"\r\nx [26/Aug/2009:1"),
            "25/Aug/2009");
  EXPECT_EQ(labelOf("# header [note\r\n1.2.3.4 [25/Aug/2009:10"), "note\r\n1.2.3.4 [25/Aug/2009");
}

TEST(DateLabelTest, IsEmptyWithoutBracketOrWithoutColonAfterIt) {
  EXPECT_EQ(labelOf(""), "");
  EXPECT_EQ(labelOf("no bracket: here"), "");
  EXPECT_EQ(labelOf("colon: before [bracket only"), "");
  EXPECT_EQ(labelOf("[:"), "");
}

TEST(DateLabelTest, BracketAsSecondByteOfACharacterIsNoBracket) {
  EXPECT_EQ(labelOf("\x81[x [25/Aug/2009:1"), "25/Aug/2009");
  for (std::size_t chunk = 1; chunk < 6; ++chunk) {
    EXPECT_EQ(labelOf("\x81[x [day:1", chunk), "day") << chunk;
  }
}

TEST(DateLabelTest, DecodesCodePage936AndMarksBadBytes) {
  EXPECT_EQ(labelOf("[\xC8\xD5\xC6\xDA:"), "日期");
  EXPECT_EQ(labelOf("[a\xFF:"), "a\xEF\xBF\xBD");
}

TEST(DateLabelTest, KeepsAtMostTheLongestLabelLength) {
  const std::string longText(kLongestLabelBytes + 100, 'd');
  EXPECT_EQ(labelOf("[" + longText + ":", 4096).size(), kLongestLabelBytes);
}

}  // namespace
}  // namespace crawlmeter
