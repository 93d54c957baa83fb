// Users' own log formats (nginx and Apache), vhost lines and positional lines read with their
// whole times: what each line yields, which lines are not understood, and every wrong format.
#include "logformat/template_reader.h"

#include <gtest/gtest.h>

#include "base/chinese_wording.h"
#include "logformat/positional_readers.h"

namespace crawlmeter {
namespace {

CivilTime at(int year, int month, int day, int hour, int minute, int second,
             std::optional<int> offset) {
  CivilTime time;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  time.utcOffsetMinutes = offset;
  return time;
}

struct RecordCase {
  const char* name;
  const char* format;
  const char* line;
  const char* address;
  CivilTime time;
  const char* others;
  const char* agent;  // null: the format has no agent field
};

const RecordCase kRecords[] = {
    {"nginx combined directive",
     "log_format combined '$remote_addr - $remote_user [$time_local] '\n"
     "                    '\"$request\" $status $body_bytes_sent '\n"
     "                    '\"$http_referer\" \"$http_user_agent\"';",
     R"(203.0.113.9 - - [17/Mar/2026:08:01:15 +0800] "GET /a HTTP/1.1" 200 512 "-" "Googlebot/2.1")",
     "203.0.113.9", at(2026, 3, 17, 8, 1, 15, 480),
     "-\t17/Mar/2026:08:01:15 +0800\tGET /a HTTP/1.1\t200\t512\t-\t", "Googlebot/2.1"},
    {"nginx main with forwarded-for and \\x22",
     "log_format  main  '$remote_addr - $remote_user [$time_local] \"$request\" '\n"
     "  '$status $body_bytes_sent \"$http_referer\" '\n"
     "  '\"$http_user_agent\" \"$http_x_forwarded_for\"';",
     R"(10.0.0.2 - bob [17/Mar/2026:23:59:59 -0530] "GET / HTTP/1.1" 304 0 "-" "say \x22hi\x22 \x5C" "198.51.100.7, 10.0.0.1")",
     "10.0.0.2", at(2026, 3, 17, 23, 59, 59, -330),
     "bob\t17/Mar/2026:23:59:59 -0530\tGET / HTTP/1.1\t304\t0\t-\t198.51.100.7, 10.0.0.1\t",
     "say \"hi\" \\"},
    {"nginx iso time, msec as a field", "${time_iso8601} $msec ${remote_addr} \"$request\"",
     R"(2026-03-17T08:01:15+08:00 1773705675.123 192.0.2.1 "GET / HTTP/1.1")", "192.0.2.1",
     at(2026, 3, 17, 8, 1, 15, 480), "2026-03-17T08:01:15+08:00\t1773705675.123\tGET / HTTP/1.1\t",
     nullptr},
    {"nginx msec", "$msec $realip_remote_addr $status", "1773705675.123 192.0.2.1 200", "192.0.2.1",
     at(2026, 3, 17, 0, 1, 15, 0), "1773705675.123\t200\t", nullptr},
    {"nginx escape=json",
     R"(log_format j escape=json '{"ip":"$remote_addr","t":"$time_iso8601","ua":"$http_user_agent"}';)",
     R"({"ip":"192.0.2.4","t":"2026-03-17T08:01:15Z","ua":"a \"q\" \u00e9 b\\c\/d\n"})",
     "192.0.2.4", at(2026, 3, 17, 8, 1, 15, 0), "2026-03-17T08:01:15Z\t",
     "a \"q\" \xC3\xA9 b\\c/d\n"},
    {"nginx escape=none keeps backslashes",
     "log_format n escape=none '$remote_addr [$time_local] $uri';",
     R"(192.0.2.4 [17/Mar/2026:08:01:15 +0000] /a\x41)", "192.0.2.4", at(2026, 3, 17, 8, 1, 15, 0),
     "17/Mar/2026:08:01:15 +0000\t/a\\x41\t", nullptr},
    {"Apache common", R"(LogFormat "%h %l %u %t \"%r\" %>s %b" common)",
     R"(192.0.2.1 - frank [10/Oct/2000:13:55:36 -0700] "GET /a\" b.gif HTTP/1.0" 200 2326)",
     "192.0.2.1", at(2000, 10, 10, 13, 55, 36, -420),
     "-\tfrank\t[10/Oct/2000:13:55:36 -0700]\tGET /a\" b.gif HTTP/1.0\t200\t2326\t", nullptr},
    {"Apache combined, bare, escapes in the agent",
     R"(%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\")",
     R"(::1 - - [17/Mar/2026:08:01:15 +0000] "GET / HTTP/1.1" 200 5 "-" "M \"x\" \\y \x41")", "::1",
     at(2026, 3, 17, 8, 1, 15, 0),
     "-\t-\t[17/Mar/2026:08:01:15 +0000]\tGET / HTTP/1.1\t200\t5\t-\t", "M \"x\" \\y A"},
    {"Apache combined by name, its User-agent", "CustomLog logs/access.log combined",
     R"(192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] "GET / HTTP/1.1" 200 5 "-" "Bot/1")",
     "192.0.2.1", at(2026, 3, 17, 8, 1, 15, 0),
     "-\t-\t[17/Mar/2026:08:01:15 +0000]\tGET / HTTP/1.1\t200\t5\t-\t", "Bot/1"},
    {"Apache, the first agent in any case; a second is one of the others",
     R"(%h %t %<{user-AGENT}i %{User-Agent}i %{User-Agents}i)",
     "192.0.2.1 [17/Mar/2026:08:01:15 +0000] a b c", "192.0.2.1", at(2026, 3, 17, 8, 1, 15, 0),
     "[17/Mar/2026:08:01:15 +0000]\tb\tc\t", "a"},
    {"nginx, the agent in any case, an empty one",
     R"($remote_addr [$time_local] "$HTTP_User_Agent" $http_user_agents)",
     R"(192.0.2.1 [17/Mar/2026:08:01:15 +0000] "" x)", "192.0.2.1", at(2026, 3, 17, 8, 1, 15, 0),
     "17/Mar/2026:08:01:15 +0000\tx\t", ""},
    {"Apache vhost_combined by name", "CustomLog ${APACHE_LOG_DIR}/access.log vhost_combined",
     R"(www.example.com:443 2001:db8::7 - - [17/Mar/2026:08:01:15 +0000] "GET / HTTP/1.1" 200 10 "-" "curl/8")",
     "2001:db8::7", at(2026, 3, 17, 8, 1, 15, 0),
     "www.example.com\t443\t-\t-\t[17/Mar/2026:08:01:15 +0000]\tGET / HTTP/1.1\t200\t10\t-\t",
     "curl/8"},
    {"Apache strftime time", R"(%{%Y-%m-%d %H:%M:%S}t %h "%r")",
     R"(2026-03-17 08:01:15 192.0.2.9 "GET / HTTP/1.1")", "192.0.2.9",
     at(2026, 3, 17, 8, 1, 15, std::nullopt), "2026-03-17 08:01:15\tGET / HTTP/1.1\t", nullptr},
    {"Apache msec", "%{msec}t %a %>s", "1773705675123 192.0.2.9 200", "192.0.2.9",
     at(2026, 3, 17, 0, 1, 15, 0), "1773705675123\t200\t", nullptr},
    {"Apache strftime with msec_frac, modifiers",
     R"(%{end:%d/%b/%Y %T}t.%{msec_frac}t %{c}a %!200,304{Referer}i %<s %%)",
     "17/Mar/2026 08:01:15.042 192.0.2.9 - 200 %", "192.0.2.9",
     at(2026, 3, 17, 8, 1, 15, std::nullopt), "17/Mar/2026 08:01:15\t042\t-\t200\t", nullptr},
    {"Apache day of year, 12-hour clock", "%h %{%y/%j %I%p %M:%S %z}t", "h 24/060 12AM 05:06 +0100",
     "h", at(2024, 2, 29, 0, 5, 6, 60), "24/060 12AM 05:06 +0100\t", nullptr},
    {"Apache day of year", "%h %{%Y.%j %H}t", "h 2023.100 07", "h",
     at(2023, 4, 10, 7, 0, 0, std::nullopt), "2023.100 07\t", nullptr},
    {"Apache sec, the last second read", "%{sec}t %h", "253402300799 h", "h",
     at(9999, 12, 31, 23, 59, 59, 0), "253402300799\t", nullptr},
    {"time right before a field", "%t%h", "[17/Mar/2026:08:01:15 +0000]192.0.2.1", "192.0.2.1",
     at(2026, 3, 17, 8, 1, 15, 0), "[17/Mar/2026:08:01:15 +0000]\t", nullptr},
};

TEST(TemplateReaderTest, ReadsTheAddressTimeAndOthersOfEachFormat) {
  for (const RecordCase& c : kRecords) {
    SCOPED_TRACE(c.name);
    Message problem;
    auto format = parseLogTemplate(c.format, &problem);
    ASSERT_TRUE(format) << problem.text(Wording());
    TemplateReader reader(std::move(*format));
    RecordFields fields;
    ASSERT_EQ(reader.read(c.line, fields), LineKind::kRecord);
    EXPECT_EQ(fields.address, c.address);
    EXPECT_EQ(fields.time, c.time);
    EXPECT_EQ(fields.others, c.others);
    EXPECT_EQ(fields.shape, OthersShape::kFields);
    EXPECT_EQ(fields.hasAgent, c.agent != nullptr);
    EXPECT_EQ(fields.agent, c.agent == nullptr ? "" : c.agent);
  }
}

struct MismatchCase {
  const char* format;
  const char* line;
};

const MismatchCase kMismatches[] = {
    {R"(%h %l %u %t "%r" %>s %b)", R"(192.0.2.1 - - 17/Mar/2026:08:01:15 +0000 "GET /" 200 5)"},
    {R"(%h %l %u %t "%r" %>s %b)", R"(192.0.2.1 - - [32/Mar/2026:08:01:15 +0000] "GET /" 200 5)"},
    {R"(%h %l %u %t "%r" %>s %b)", R"(192.0.2.1 - - [17/Mar/2026:24:01:15 +0000] "GET /" 200 5)"},
    {R"(%h %l %u %t "%r" %>s %b)", R"(192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] "GET /")"},
    {R"(%h %t "%{User-Agent}i")", R"(192.0.2.1 [17/Mar/2026:08:01:15 +0000] "bot" extra)"},
    {R"(%h %t "%{User-Agent}i")", R"(192.0.2.1 [17/Mar/2026:08:01:15 +0000] "bot\")"},
    {"[$time_local] $remote_addr", "x[17/Mar/2026:08:01:15 +0000] 192.0.2.1"},
    {"[$time_local] $remote_addr", "[17/Mar/2026:08:01:15] 192.0.2.1"},
    {"$msec $remote_addr", "1773705675 192.0.2.1"},
    {"$msec $remote_addr", "1773705675.12x 192.0.2.1"},
    {"%{sec}t %h", "x 192.0.2.1"},
    {"%{sec}t %h", "253402300800 192.0.2.1"},
    {"%{%Y-%m-%d %H}t %h", "2026-02-30 08 h"},
    {"%t%h", "[17/Mar/2026:08:01:15 +0000 192.0.2.1"},
    {"%h %{%d %b %Y %H}t", "h 17 Xyz 2026 08"},
    {"%h %{%d %b %Y %H}t", "h 17 Mar 2026 08 and more"},
};

TEST(TemplateReaderTest, LinesThatDoNotMatchAreNotUnderstood) {
  for (const MismatchCase& c : kMismatches) {
    SCOPED_TRACE(std::string(c.format) + " | " + c.line);
    Message problem;
    auto format = parseLogTemplate(c.format, &problem);
    ASSERT_TRUE(format) << problem.text(Wording());
    TemplateReader reader(std::move(*format));
    RecordFields fields;
    EXPECT_EQ(reader.read(c.line, fields), LineKind::kNotUnderstood);
  }
}

struct ProblemCase {
  const char* format;
  const char* problem;
};

const ProblemCase kProblems[] = {
    {"  \n", "the log format is empty"},
    {"log_format main;", "the log format is empty"},
    {"$status [$time_local]", "the log format has no client address ($remote_addr, %h or %a)"},
    {"%A %t", "the log format has no client address ($remote_addr, %h or %a)"},
    {"%h %l %u", "the log format has no time ($time_local, $time_iso8601, $msec or %t)"},
    {"%h %{%H:%M}t", "the log format has no time ($time_local, $time_iso8601, $msec or %t)"},
    {"$remote_addr $time_local_x",
     "the log format has no time ($time_local, $time_iso8601, "
     "$msec or %t)"},
    {"%h %t %Q", "the log format has an unknown directive: %Q"},
    {"%h %t %", "the log format has an unknown directive: %"},
    {"%h %t %{Referer i", "the log format has a '{' that is not closed: %{Referer i"},
    {"$remote_addr ${time_local", "the log format has a '{' that is not closed: ${time_local"},
    {"$remote_addr $ $time_local", "the log format has a '$' without a variable name after it"},
    {"%h %{%Y %Q}t", "the log format has a time conversion this program cannot read: %Q"},
    {"%h%l %t",
     "the log format has two fields with no text between them, which cannot be told "
     "apart: %h and %l"},
    {"$remote_addr [$time_local] $status$body_bytes_sent",
     "the log format has two fields with no text between them, which cannot be told apart: "
     "$status and $body_bytes_sent"},
    {"log_format x '$remote_addr [$time_local]", "the log format has a quote that is not closed"},
    {R"(LogFormat "%h %t)", "the log format has a quote that is not closed"},
    {"CustomLog logs/access.log myformat",
     "the log format names a format defined elsewhere: myformat (paste its LogFormat line "
     "instead)"},
    {"log_format x escape=xml '$remote_addr [$time_local]';",
     "unknown escape=xml in the log format (default, json or none)"},
};

TEST(TemplateReaderTest, FormatsThatCannotBeReadSayWhy) {
  for (const ProblemCase& c : kProblems) {
    Message problem;
    EXPECT_FALSE(parseLogTemplate(c.format, &problem)) << c.format;
    EXPECT_EQ(problem.text(Wording()), c.problem) << c.format;
    EXPECT_NE(problem.text(ChineseWording()), c.problem) << "untranslated: " << c.format;
  }
}

struct VhostCase {
  const char* line;
  bool vhost;
};

const VhostCase kVhostLines[] = {
    {R"(www.example.com:443 192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] "GET / HTTP/1.1" 200 5)",
     true},
    {"[2001:db8::1]:8080 2001:db8::2 - - [17/Mar/2026:08:01:15 +0000] \"GET /\" 200 5", true},
    {"localhost:80 ::1 - - [17/Mar/2026:08:01:15 +0000] \"GET /\" 200 5", true},
    {"my_host-1.example:80 ::ffff:1.2.3.4 - - [17/Mar/2026:08:01:15 +0000] x", true},
    {"web:8080 crawl-66-249-66-1.googlebot.com - - [17/Mar/2026:08:01:15 +0000] x", true},
    {R"(192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] "GET / HTTP/1.1" 200 5)", false},
    {"2001:db8::1 - - [17/Mar/2026:08:01:15 +0000] \"GET /\" 200 5", false},
    {"::1 - - [17/Mar/2026:08:01:15 +0000] \"GET /\" 200 5", false},
    {"fe80::1:80 - - [17/Mar/2026:08:01:15 +0000] \"GET /\" 200 5", false},
    {"::ffff:1.2.3.4 - - [17/Mar/2026:08:01:15 +0000] \"GET /\" 200 5", false},
    {"2001:db8:0:0:0:0:0:80 - - [17/Mar/2026:08:01:15 +0000] x", false},
    {"[2001:db8::1]:80x 192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] x", false},
    {"www.example.com:https 192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] x", false},
    {"www.example.com: 192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] x", false},
    {":443 192.0.2.1 - - [17/Mar/2026:08:01:15 +0000] x", false},
    {"www.example.com:443 [17/Mar/2026:08:01:15 +0000] x", false},
    {"www.example.com:443 [::1] - - [17/Mar/2026:08:01:15 +0000] x", false},
    {"www.example.com:443 192.0.2.1 - - 17/Mar/2026:08:01:15 x", false},
    {"www.example.com:443 192.0.2.1 - - [17/03/2026:08:01:15 +0000] x", false},
    {"www.example.com:443 192.0.2.1", false},
};

TEST(VhostReaderTest, TellsVhostLinesFromPositionalOnes) {
  for (const VhostCase& c : kVhostLines) EXPECT_EQ(looksLikeVhostLine(c.line), c.vhost) << c.line;
}

struct LineCase {
  const char* line;
  const char* address;  // null when the line is not understood
  CivilTime time;
  const char* others;
};

const LineCase kVhostReads[] = {
    {R"(www.example.com:443 192.0.2.1 - - [17/Mar/2026:08:01:15 +0800] "GET /" 200 5)", "192.0.2.1",
     at(2026, 3, 17, 8, 1, 15, 480),
     R"( - - [17/Mar/2026:08:01:15 +0800] "GET /" 200 5)"
     "\t"},
    {"[::1]:80 ::1 u [17/Mar/2026:08:01:15] x", "::1", at(2026, 3, 17, 8, 1, 15, std::nullopt),
     " u [17/Mar/2026:08:01:15] x\t"},
    {"www.example.com:443 192.0.2.1", nullptr, {}, nullptr},
    {"www.example.com:443 192.0.2.1 - - [17/Mar/2026:08:01:15 +0800", nullptr, {}, nullptr},
    {"www.example.com:443 192.0.2.1 - - [17/Mar/2026:28:01:15 +0800]", nullptr, {}, nullptr},
};

const LineCase kPositionalReads[] = {
    {R"(192.0.2.1 - - [17/Mar/2026:08:01:15 +0800] "GET / HTTP/1.1" 200 5)", "192.0.2.1",
     at(2026, 3, 17, 8, 1, 15, 480),
     R"( - - [17/Mar/2026:08:01:15 +0800] "GET / HTTP/1.1" 200 5)"
     "\t"},
    {"2001:db8::1 - - [29/Feb/2024:23:00:00] x", "2001:db8::1",
     at(2024, 2, 29, 23, 0, 0, std::nullopt), " - - [29/Feb/2024:23:00:00] x\t"},
    {"h 17/Mar/2026:08:01:15 -0130", "h", at(2026, 3, 17, 8, 1, 15, -90),
     " 17/Mar/2026:08:01:15 -0130\t"},
    {"a b:08:01:15", nullptr, {}, nullptr},
    {"nospace[17/Mar/2026:08:01:15 +0000]", nullptr, {}, nullptr},
    {"a [17/Mar/2026:25:00:00 +0000]", nullptr, {}, nullptr},
    {"a [29/Feb/2025:08:00:00 +0000]", nullptr, {}, nullptr},
    {"a [17/Xyz/2026:08:01:15 +0000]", nullptr, {}, nullptr},
    {"a 17/Mar/2026 08:01:15", nullptr, {}, nullptr},
};

void expectReads(LineReader& reader, const LineCase& c) {
  SCOPED_TRACE(c.line);
  RecordFields fields;
  const LineKind kind = reader.read(c.line, fields);
  if (c.address == nullptr) {
    EXPECT_EQ(kind, LineKind::kNotUnderstood);
    return;
  }
  ASSERT_EQ(kind, LineKind::kRecord);
  EXPECT_EQ(fields.address, c.address);
  EXPECT_EQ(fields.time, c.time);
  EXPECT_EQ(fields.others, c.others);
  // The agent is in the rest, where a positional line has it.
  EXPECT_EQ(fields.shape, OthersShape::kPositionalRest);
  EXPECT_FALSE(fields.hasAgent);
  EXPECT_EQ(fields.agent, "");
}

TEST(VhostReaderTest, TakesTheSecondTokenAndTheFirstBracketedTime) {
  VhostReader reader;
  for (const LineCase& c : kVhostReads) expectReads(reader, c);
}

TEST(PositionalTimeReaderTest, ReadsTheWholeTimeAroundTheHour) {
  PositionalTimeReader reader;
  for (const LineCase& c : kPositionalReads) expectReads(reader, c);
}

}  // namespace
}  // namespace crawlmeter
