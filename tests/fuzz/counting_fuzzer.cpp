// Fuzz target: arbitrary bytes, cut into arbitrary chunks, through the counting (with a small
// crawler catalogue) and the line-end conversion. Checks that the tables never depend on the chunk
// sizes, that no line counts for more than one catalogue crawler, that the conversion only
// adds CRs before bare LFs and one CR LF at the end, that page views equal the lines a plain
// splitter counts, and that the report of the tables reads back as the same numbers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/crawler_matcher.h"
#include "run/report.h"
#include "scan/line_ends.h"
#include "scan/log_scanner.h"

namespace crawlmeter {
namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

struct Counted {
  FileCounts counts;
  LineEnds ends = LineEnds::Undecided;
};

// Texts that overlap, a short one, a two-byte character (U+4E2D, 0xD6 0xD0 in code page 936), and
// one that holds another inside it; and the agent rules.
std::shared_ptr<const CrawlerMatcher> fuzzCatalogue() {
  CrawlerCatalogue catalogue;
  check(catalogue
            .add("Long\tsearch\tGooglebot\nShort\tai\tBot\nHan\tother\t\xE4\xB8\xAD\n"
                 "Holder\tsocial\tZabZ\nPair\tseo\tab\n",
                 "fuzz")
            .ok());
  catalogue.addAgentRules();  // agents found whole or in pieces must be judged the same
  Expected<std::shared_ptr<const CrawlerMatcher>> matcher = CrawlerMatcher::compile(catalogue);
  check(matcher.ok());
  return *matcher;
}

// With the catalogue, its search also finds the six crawler texts; without it, the scanner does.
Counted countInChunks(std::string_view bytes, std::size_t chunk, bool withCatalogue = true) {
  static const std::shared_ptr<const CrawlerMatcher> matcher = fuzzCatalogue();
  Counted result;
  result.counts.crawlerCells.resize(matcher->crawlerCount());
  RecordCounter counter;
  Expected<CrawlerSearch> catalogue = CrawlerSearch::start(matcher);
  check(catalogue.ok());
  LogScanner scanner(counter, result.counts, LineEnds::Undecided,
                     withCatalogue ? &*catalogue : nullptr);
  for (std::size_t at = 0; at < bytes.size(); at += chunk) scanner.feed(bytes.substr(at, chunk));
  scanner.finish();
  result.ends = scanner.lineEnds();
  return result;
}

// Lines the plain way: a line ends at CR, CR LF, and at a bare LF when the file is converted.
Count countedLines(std::string_view bytes, LineEnds ends) {
  Count counted = 0;
  std::size_t from = 0;
  for (std::size_t at = 0; at <= bytes.size(); ++at) {
    const bool end =
        at == bytes.size() || bytes[at] == '\r' || (bytes[at] == '\n' && ends == LineEnds::BareLf);
    if (!end) continue;
    counted += parseLine(bytes.substr(from, at - from)).has_value();
    if (at < bytes.size() && bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n')
      ++at;
    from = at + 1;
  }
  return counted;
}

void checkConversion(std::string_view bytes, std::size_t chunk) {
  LineEndConverter converter;
  std::string converted;
  for (std::size_t at = 0; at < bytes.size(); at += chunk)
    converter.convert(bytes.substr(at, chunk), converted);
  std::string expected;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] == '\n' && (at == 0 || bytes[at - 1] != '\r')) expected += '\r';
    expected += bytes[at];
  }
  check(converted == expected);
}

// Reads the numbers of every hour row and of the total row back from the report of one file.
void checkReportReadsBack(const FileCounts& counts) {
  StatisticsTables tables(1);
  for (std::size_t kind = 0; kind < kStatCategoryCount; ++kind) {
    for (int hour = 0; hour < kHourSlots; ++hour) {
      tables.counts(static_cast<StatCategory>(kind)).at(0, hour) = counts.cells[kind][hour];
    }
  }
  for (std::size_t kind = 0; kind < kStatCategoryCount; ++kind) {
    const CountTable& table = tables.counts(static_cast<StatCategory>(kind));
    std::istringstream lines(reportText(tables, static_cast<StatCategory>(kind), "\n"));
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line)) {
      if (!line.empty()) rows.push_back(line);
    }
    check(rows.size() == 3 + kReportedHours);
    check(std::stoll(rows[2].substr(rows[2].rfind(' ') + 1)) == table.total(0));
    for (int hour = 0; hour < kReportedHours; ++hour) {
      check(std::stoll(rows[3 + hour].substr(17)) == table.at(0, hour));
    }
  }
}

}  // namespace
}  // namespace crawlmeter

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace crawlmeter;
  if (size < 2) return 0;
  const std::size_t chunkA = 1 + data[0] % 64;
  const std::size_t chunkB = 1 + data[1] * 7 % 251;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  const Counted whole = countInChunks(bytes, bytes.size() + 1);
  check(countInChunks(bytes, chunkA).counts == whole.counts);
  check(countInChunks(bytes, chunkB).counts == whole.counts);
  check(countInChunks(bytes, chunkA, false).counts.cells == whole.counts.cells);
  Count pageViews = 0;
  for (const auto& cells : whole.counts.cells) {
    for (Count cell : cells) check(cell >= 0);
  }
  for (Count cell : whole.counts.cells[static_cast<std::size_t>(StatCategory::Pv)])
    pageViews += cell;
  Count catalogued = 0;
  for (const auto& cells : whole.counts.crawlerCells) {
    for (Count cell : cells) catalogued += cell;
  }
  check(catalogued <= pageViews);
  check(pageViews == countedLines(bytes, whole.ends));
  checkConversion(bytes, chunkA);
  checkReportReadsBack(whole.counts);
  return 0;
}
