// Reading a log whose format its first line tells: lines split at LF whatever the chunks, records
// too long to hold, and what counts as a line; each reader's records restated as positional lines
// whose third quoted field is the agent.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "logformat/file_scanner.h"
#include "logformat/format_scanner.h"
#include "logformat/json_reader.h"
#include "logformat/positional_readers.h"
#include "logformat/template_reader.h"
#include "logformat/w3c_reader.h"

namespace crawlmeter {
namespace {

struct Scanned {
  FileCounts counts;
  std::string label;
  LineTally tally;
  Count views = 0;
};

Scanned scan(const std::string& bytes, std::size_t chunk) {
  Scanned result;
  RecordCounter counter;
  const ReadingChoice choice;
  FileScanner scanner(UnitStart{}, choice, counter, result.counts, nullptr);
  for (std::size_t at = 0; at < bytes.size(); at += chunk) scanner.feed(bytes.substr(at, chunk));
  scanner.finish();
  result.label = *scanner.dateLabel();
  result.tally = scanner.tally();
  for (int hour = 0; hour < kHourSlots; ++hour)
    result.views += result.counts.at(StatCategory::Pv, hour);
  return result;
}

const std::string kJson = R"({"remote_addr":"1.2.3.4","time_iso8601":"2026-03-17T09:00:00+08:00"})";

TEST(FormatScannerTest, SplitsLinesAtLfAndNeverHoldsAnOverlongOne) {
  // A record but for its length: past the bound, a line is not understood even so.
  const std::string huge =
      kJson.substr(0, kJson.size() - 1) + ",\"pad\":\"" + std::string(3 << 20, 'x') + "\"}";
  const struct {
    const char* what;
    std::string bytes;
    std::uint64_t read, notUnderstood;
    Count views;
  } cases[] = {
      {"CR LF ends, a blank line, no end at the last", kJson + "\r\n\r\n" + kJson, 2, 0, 2},
      {"a byte-order mark before the first record", "\xEF\xBB\xBF" + kJson + "\n", 1, 0, 1},
      {"a byte-order mark on a line of its own", "\xEF\xBB\xBF\n" + kJson + "\n", 1, 0, 1},
      {"empty lines before the first record", "\n\r\n\n" + kJson + "\n", 1, 0, 1},
      {"a line of 3 MiB between records", kJson + "\n" + huge + "\n" + kJson + "\n", 3, 1, 2},
      {"an overlong last line", kJson + "\n" + huge, 2, 1, 1},
      {"not JSON after a record", kJson + "\nGET / HTTP/1.1\n", 2, 1, 1},
  };
  for (const auto& c : cases) {
    for (const std::size_t chunk :
         {std::size_t{1}, std::size_t{7}, std::size_t{4096}, c.bytes.size()}) {
      const Scanned scanned = scan(c.bytes, chunk);
      EXPECT_EQ(scanned.tally.read, c.read) << c.what << " " << chunk;
      EXPECT_EQ(scanned.tally.notUnderstood, c.notUnderstood) << c.what << " " << chunk;
      EXPECT_EQ(scanned.views, c.views) << c.what << " " << chunk;
      EXPECT_EQ(scanned.counts.at(StatCategory::Pv, 9), c.views) << c.what;
      EXPECT_EQ(scanned.label, "17/Mar/2026") << c.what;
    }
  }
}

// The third double-quoted field of a restated line's rest (from its first space), a backslash
// escaping the byte after it; nothing when the rest has fewer than three.
std::optional<std::string> thirdQuoted(std::string_view line) {
  int count = 0;
  std::size_t at = line.find(' ');
  for (at = line.find('"', at); at != std::string_view::npos; at = line.find('"', at + 1)) {
    std::string field;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      if (line[at] == '\\' && at + 1 < line.size()) ++at;
      field += line[at];
    }
    if (at == line.size()) return std::nullopt;
    if (++count == 3) return field;
  }
  return std::nullopt;
}

RecordFields record(std::string address, int hour, std::string others, OthersShape shape,
                    std::optional<std::string> agent) {
  RecordFields fields;
  fields.address = std::move(address);
  fields.time.hour = hour;
  fields.others = std::move(others);
  fields.shape = shape;
  fields.hasAgent = agent.has_value();
  fields.agent = agent.value_or("");
  return fields;
}

TEST(FormatScannerTest, RestatesTheAgentAsTheThirdQuotedField) {
  const std::string rest =
      R"( - - [17/Mar/2026:08:01:15 +0000] "GET / HTTP/1.1" 200 5 "-" "B \"q\"")";
  const struct {
    const char* what;
    RecordFields fields;
    std::string line;
    std::optional<std::string> agent;
  } cases[] = {
      {"no agent: quotes and line ends in the others are tabs",
       record("1.2.3.4", 8, "a\"b\r\nc\t", OthersShape::kFields, std::nullopt),
       "1.2.3.4 :08\ta\tb\t\tc\t\n", std::nullopt},
      {"quotes, backslashes and line ends in the agent",
       record("a b", 23, "x\"y\t", OthersShape::kFields, "M \"x\" \\y\r\nz"),
       "a\tb :23\tx\ty\t \"\" \"\" \"M \\\"x\\\" \\\\y\t\tz\"\n", "M \"x\" \\y\t\tz"},
      {"an empty agent", record("h", 0, "", OthersShape::kFields, ""), "h :00\t \"\" \"\" \"\"\n",
       ""},
      {"a positional rest keeps its quotes",
       record("1.2.3.4", 8, rest + "\t", OthersShape::kPositionalRest, std::nullopt),
       "1.2.3.4 :08\t" + rest + "\t\n", "B \"q\""},
  };
  for (const auto& c : cases) {
    std::string line = "before\n";
    appendRestated(c.fields, line);
    EXPECT_EQ(line, "before\n" + c.line) << c.what;
    EXPECT_EQ(thirdQuoted(c.line), c.agent) << c.what;
  }
}

TEST(FormatScannerTest, EachReadersAgentComesBackFromTheRestatedLine) {
  const auto format = [](const char* text) {
    Message problem;
    return std::make_unique<TemplateReader>(*parseLogTemplate(text, &problem));
  };
  const struct {
    const char* what;
    std::function<std::unique_ptr<LineReader>()> reader;
    std::vector<std::string> lines;  // the last one is the record
    std::optional<std::string> agent;
  } cases[] = {
      {"W3C, spaced",
       [] { return std::make_unique<W3cReader>(); },
       {"#Fields: date time c-ip cs(User-Agent) cs(Referer)",
        R"(2026-03-17 08:00:00 1.2.3.4 Googlebot"x\y+z "r")"},
       R"(Googlebot"x\y z)"},
      {"W3C, tabbed",
       [] { return std::make_unique<W3cReader>(); },
       {"#Fields: date time c-ip cs(Referer) cs(User-Agent)",
        "2026-03-17\t08:00:00\t1.2.3.4\t%22r%22\tA%22b%5C%0Dc"},
       "A\"b\\\tc"},
      {"W3C without an agent",
       [] { return std::make_unique<W3cReader>(); },
       {"#Fields: date time c-ip cs(Referer)", R"(2026-03-17 08:00:00 1.2.3.4 "a"b"c")"},
       std::nullopt},
      {"JSON",
       [] { return std::make_unique<JsonReader>(); },
       {R"({"remote_addr":"1.2.3.4","r":"\"r\"","msec":1710662475,"http_user_agent":"q\"\\\n"})"},
       "q\"\\\t"},
      {"Apache's format",
       [&] { return format(R"(%h %t "%{Referer}i" "%{User-Agent}i")"); },
       {R"(1.2.3.4 [17/Mar/2026:08:01:15 +0000] "\"r\"" "M \"x\" \\y")"},
       R"(M "x" \y)"},
      {"nginx's format with JSON escapes",
       [&] {
         return format(R"(log_format j escape=json '$remote_addr $msec "$http_user_agent"';)");
       },
       {R"(1.2.3.4 1710662475.123 "a\"b\\c")"},
       R"(a"b\c)"},
      {"a vhost line",
       [] { return std::make_unique<VhostReader>(); },
       {R"(w:80 1.2.3.4 - - [17/Mar/2026:08:01:15 +0000] "GET /" 200 5 "-" "B \"q\" \\")"},
       R"(B "q" \)"},
      {"a positional line",
       [] { return std::make_unique<PositionalTimeReader>(); },
       {R"(1.2.3.4 - - [17/Mar/2026:08:01:15 +0000] "GET /" 200 5 "-" "B \"q\"")"},
       R"(B "q")"},
  };
  for (const auto& c : cases) {
    const std::unique_ptr<LineReader> reader = c.reader();
    RecordFields fields;
    LineKind kind = LineKind::kNotUnderstood;
    for (const std::string& line : c.lines) kind = reader->read(line, fields);
    ASSERT_EQ(kind, LineKind::kRecord) << c.what;
    std::string line;
    appendRestated(fields, line);
    EXPECT_EQ(line.substr(0, line.find(' ')), "1.2.3.4") << c.what;
    EXPECT_EQ(thirdQuoted(line), c.agent) << c.what << ": " << line;
  }
}

}  // namespace
}  // namespace crawlmeter
