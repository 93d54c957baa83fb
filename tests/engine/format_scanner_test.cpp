// Reading a log whose format its first line tells: lines split at LF whatever the chunks, records
// too long to hold, and what counts as a line.
#include <gtest/gtest.h>

#include "logformat/file_scanner.h"

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
      {"empty lines before the first record", "\n\r\n\n" + kJson + "\n", 1, 0, 1},
      {"a line of 3 MiB between records", kJson + "\n" + huge + "\n" + kJson + "\n", 3, 1, 2},
      {"an overlong last line", kJson + "\n" + huge, 2, 1, 1},
      {"not JSON after a record", kJson + "\nGET / HTTP/1.1\n", 2, 1, 1},
  };
  for (const auto& c : cases) {
    for (const std::size_t chunk : {std::size_t{7}, std::size_t{4096}, c.bytes.size()}) {
      const Scanned scanned = scan(c.bytes, chunk);
      EXPECT_EQ(scanned.tally.read, c.read) << c.what << " " << chunk;
      EXPECT_EQ(scanned.tally.notUnderstood, c.notUnderstood) << c.what << " " << chunk;
      EXPECT_EQ(scanned.views, c.views) << c.what << " " << chunk;
      EXPECT_EQ(scanned.counts.at(StatCategory::Pv, 9), c.views) << c.what;
      EXPECT_EQ(scanned.label, "17/Mar/2026") << c.what;
    }
  }
}

}  // namespace
}  // namespace crawlmeter
