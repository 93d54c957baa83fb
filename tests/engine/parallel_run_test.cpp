// Counting in parts (pieces of a file cut at line ends, files on several threads) and joining the
// parts' hour-runs gives exactly the result of counting every line in order.
#include <gtest/gtest.h>

#include <random>

#include "files/temporary_folder.h"
#include "run/statistics_run.h"
#include "run/unit_scan.h"
#include "scan/log_scanner.h"
#include "temp_folder.h"

namespace crawlmeter {

// Prints the cells that are not zero, for readable failures.
void PrintTo(const FileCounts& counts, std::ostream* out) {
  for (std::size_t kind = 0; kind < kStatCategoryCount; ++kind) {
    for (int hour = 0; hour < kHourSlots; ++hour) {
      if (counts.cells[kind][hour] != 0)
        *out << " [" << kind << "," << hour << "]=" << counts.cells[kind][hour];
    }
  }
}

namespace {

using testing::TempFolder;

// A log of random lines over few addresses and hours, so hour-runs often span the cuts.
std::string randomLog(std::mt19937& random, int lines, const char* lineEnd) {
  const std::vector<std::string> agents = {"Mozilla", "Baiduspider", "Googlebot msnbot",
                                           "\xB0\xA1Go"};
  // Addresses of every kind a set keeps apart: IPv4, IPv6 short and long, canonical or not, and
  // names.
  const std::vector<std::string> addresses = {"10.0.0.",
                                              "10.0.1.",
                                              "2001:db8::",
                                              "2001:db8:aaaa:bbbb:cccc:dddd:eeee:",
                                              "2001:DB8:aaaa:bbbb:cccc:dddd:eeee:",
                                              "crawler-42.search.example.com-"};
  std::string log;
  int hour = 10;
  for (int i = 0; i < lines; ++i) {
    if (random() % 7 == 0) hour = 10 + static_cast<int>(random() % 3);
    if (random() % 20 == 0)
      log += "skipped-line-without-space";
    else
      log += addresses[random() % addresses.size()] + std::to_string(random() % 3) +
             " - - [25/Aug/2009:" + std::to_string(hour) + ":00:00] \"" +
             agents[random() % agents.size()] + "\"";
    log += lineEnd;
  }
  return log;
}

FileCounts countInOrder(const std::string& log) {
  RecordCounter counter;
  FileCounts counts;
  LogScanner scanner(counter, counts);
  scanner.feed(log);
  scanner.finish();
  return counts;
}

TEST(ParallelRunTest, PiecesCutAtLineEndsJoinToTheWholeFile) {
  std::mt19937 random(5);
  TempFolder folder;
  for (int trial = 0; trial < 200; ++trial) {
    const bool crlf = trial % 2 == 0;
    const std::string bytes = randomLog(random, 60, crlf ? "\r\n" : "\n");
    const std::string path = folder.write("a.log", bytes);
    std::vector<WorkUnit> units = {WorkUnit{0}};
    for (std::size_t at = bytes.find('\n'); at != std::string::npos;
         at = bytes.find('\n', at + 1)) {
      if (random() % 6 != 0) continue;
      units.back().end = at + 1;
      units.push_back(WorkUnit{0, at + 1, kToEndOfFile, crlf ? LineEnds::CrLf : LineEnds::BareLf});
    }
    // Every third trial keeps hour-runs' addresses in a budget of a byte: each run spills.
    const TempFolder scratch;
    std::shared_ptr<AddressBudget> budget;
    if (trial % 3 == 2) {
      budget = std::make_shared<AddressBudget>(
          AddressBudget{1, std::make_shared<TemporaryFolder>(scratch.path())});
    }
    FileCounts joined;
    const std::size_t chunkBytes = 1 + random() % 64;
    {
      const UnitOptions options{
          false, chunkBytes, [](std::size_t) { return true; }, nullptr, true, {}, nullptr, budget};
      HourRun carried(budget);
      const auto log = std::make_shared<const LogFile>(std::move(*LogFile::open(path)));
      for (const WorkUnit& unit : units) {
        Expected<UnitResult> result = scanUnit(log, unit, options);
        ASSERT_TRUE(result.ok());
        std::vector<LateShare> late;
        ASSERT_TRUE(joinEdges(carried, result->edges, 0, result->counts, late).ok());
        for (std::size_t kind = 0; kind < kStatCategoryCount; ++kind) {
          for (int hour = 0; hour < kHourSlots; ++hour)
            joined.cells[kind][hour] += result->counts.cells[kind][hour];
        }
        for (const LateShare& share : late) joined.at(StatCategory::Ip, share.hour) -= share.shared;
      }
      std::vector<LateShare> late;
      ASSERT_TRUE(carried.settleDeferred(late).ok());
      for (const LateShare& share : late) joined.at(StatCategory::Ip, share.hour) -= share.shared;
    }
    std::string cuts;
    for (const WorkUnit& unit : units) cuts += std::to_string(unit.begin) + " ";
    ASSERT_EQ(joined, countInOrder(bytes))
        << "cuts " << cuts << "chunk " << chunkBytes << (budget ? " spilled" : "") << "\n"
        << bytes;
    if (budget) {
      EXPECT_GT(scratch.entryCount(), 0);  // the folder, until its last holder lets go
    }
    budget.reset();
    EXPECT_EQ(scratch.entryCount(), 0) << "temporary files left behind";
  }
}

TEST(ParallelRunTest, ManyFilesOnSeveralThreadsCountAsOnOne) {
  std::mt19937 random(9);
  for (int trial = 0; trial < 20; ++trial) {
    TempFolder folder;
    std::vector<std::string> files;
    for (int file = 0; file < 12; ++file) {
      files.push_back(folder.write(std::to_string(file) + ".log",
                                   randomLog(random, 1 + static_cast<int>(random() % 30), "\r\n")));
    }
    files.push_back(files[3]);  // the same file twice
    RunOptions one;
    one.workers = 1;
    RunOptions several;
    several.workers = 3;
    const RunResult expected = runStatistics(files, one);
    ASSERT_TRUE(expected.error.ok());
    EXPECT_EQ(runStatistics(files, several).tables, expected.tables);
  }
}

TEST(ParallelRunTest, FilesCutIntoManySmallPiecesCountAsWhole) {
  std::mt19937 random(21);
  for (int trial = 0; trial < 40; ++trial) {
    TempFolder folder;
    const bool crlf = trial % 2 == 0;
    // Some lines are longer than a probe, so that some cuts find no line end near them.
    std::string log = randomLog(random, 400, crlf ? "\r\n" : "\n");
    log.insert(log.find('\n') + 1, "1.2.3.4 " + std::string(700, 'x') + (crlf ? "\r\n" : "\n"));
    const std::vector<std::string> files = {folder.write("a.log", log),
                                            folder.write("b.log", log.substr(0, log.size() / 3))};
    RunOptions whole;
    whole.workers = 1;
    RunOptions cut;
    cut.workers = 2 + random() % 3;
    cut.smallestPieceBytes = 64 + random() % 512;
    cut.probeBytes = 128 + random() % 256;
    cut.chunkBytes = 1 + random() % 200;
    const RunResult expected = runStatistics(files, whole);
    ASSERT_TRUE(expected.error.ok());
    ASSERT_EQ(runStatistics(files, cut).tables, expected.tables)
        << "pieces of at least " << cut.smallestPieceBytes << " bytes, probes of " << cut.probeBytes
        << ", chunks of " << cut.chunkBytes;
  }
}

TEST(ParallelRunTest, AFileThatCannotBeReadFailsTheRunOnSeveralThreads) {
  TempFolder folder;
  std::mt19937 random(3);
  std::vector<std::string> files;
  for (int file = 0; file < 6; ++file)
    files.push_back(folder.write(std::to_string(file) + ".log", randomLog(random, 10, "\n")));
  files.push_back(folder.pathOf("missing.log"));
  RunOptions options;
  options.workers = 2;
  options.rewriteLineEnds = true;
  const RunResult result = runStatistics(files, options);
  EXPECT_TRUE(result.error.failed());
  EXPECT_EQ(result.failedFile, 6u);
  EXPECT_EQ(result.error.code, ENOENT);
  EXPECT_EQ(testing::readFile(files[0]).find('\r'), std::string::npos);
}

}  // namespace
}  // namespace crawlmeter
