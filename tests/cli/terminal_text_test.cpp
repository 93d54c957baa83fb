// What a terminal is shown of a report: control characters from a log never reach it.
#include "terminal_text.h"

#include <gtest/gtest.h>

namespace crawlmeter {
namespace {

TEST(TerminalTextTest, ShowsControlCharactersButLineFeedsAsQuestionMarks) {
  EXPECT_EQ(terminalSafe("日期  25/Aug\n"), "日期  25/Aug\n");
  EXPECT_EQ(terminalSafe("a\x1B]0;title\a\x1B[2Jb\r\n"), "a?]0;title??[2Jb?\n");
  EXPECT_EQ(terminalSafe("\x7F\xC2\x9B"
                         "1m\xC2\xA0"),
            "??1m\xC2\xA0");  // DEL and CSI; NBSP stays
}

}  // namespace
}  // namespace crawlmeter
