// The quotings that keep text from logs and file names from breaking CSV, JSON and HTML.
#include "formats/text_escape.h"

#include <gtest/gtest.h>

namespace crawlmeter {
namespace {

struct EscapeCase {
  const char* what;
  std::string bytes;
  std::string utf8, csv, json, html;
};

TEST(TextEscapeTest, EachFormatQuotesWhatWouldBreakIt) {
  const std::string kReplacement = "\xEF\xBF\xBD";
  const EscapeCase cases[] = {
      {"plain", "access.log", "access.log", "access.log", "\"access.log\"", "access.log"},
      {"Chinese", "日志/八月", "日志/八月", "日志/八月", "\"日志/八月\"", "日志/八月"},
      {"comma and quote", "a,\"b\"", "a,\"b\"", "\"a,\"\"b\"\"\"", "\"a,\\\"b\\\"\"",
       "a,&quot;b&quot;"},
      {"line break", "a\r\nb", "a\r\nb", "\"a\r\nb\"", "\"a\\u000d\\u000ab\"",
       "a" + kReplacement + "\nb"},
      {"markup", "<img src=x onerror='y'>&", "<img src=x onerror='y'>&", "<img src=x onerror='y'>&",
       "\"<img src=x onerror='y'>&\"", "&lt;img src=x onerror=&#39;y&#39;&gt;&amp;"},
      {"escape and backslash", "\x1b[2J\\", "\x1b[2J\\", "\x1b[2J\\", "\"\\u001b[2J\\\\\"",
       kReplacement + "[2J\\"},
      // Code page 936 bytes in a file name, a lone continuation byte, an overlong '/', a
      // surrogate, a sequence cut short: each invalid byte becomes one U+FFFD.
      {"not UTF-8", "\xB0\xCB|\x80|\xC0\xAF|\xED\xA0\x80|\xE6\x97",
       kReplacement + kReplacement + "|" + kReplacement + "|" + kReplacement + kReplacement + "|" +
           kReplacement + kReplacement + kReplacement + "|" + kReplacement + kReplacement,
       "", "", ""},
  };
  for (const EscapeCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(validUtf8(c.bytes), c.utf8);
    if (c.csv.empty()) {  // the invalid bytes: every quoting gives valid UTF-8 only
      EXPECT_EQ(csvField(c.bytes), c.utf8);
      EXPECT_EQ(jsonString(c.bytes), "\"" + c.utf8 + "\"");
      EXPECT_EQ(htmlEscaped(c.bytes), c.utf8);
      continue;
    }
    EXPECT_EQ(csvField(c.bytes), c.csv);
    EXPECT_EQ(jsonString(c.bytes), c.json);
    EXPECT_EQ(htmlEscaped(c.bytes), c.html);
  }
}

}  // namespace
}  // namespace crawlmeter
