// Flood days counted within a memory limit far below their need: the hour-runs' addresses go to
// temporary files and the counts stay those of a run in memory; the files are gone however the
// run ends (counted, cancelled, or failed on a full disk), and a failure is told as such.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <array>
#include <string>
#include <vector>

#include "run/statistics_run.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::TempFolder;

// A day whose addresses are mostly new: IPv4, canonical and other IPv6 texts, and names, over
// hours that come back (a new run of an hour seen before), each address seen a few times.
constexpr std::array<const char*, 4> kDay = {"09", "10", "09", "11"};
// A day whose first hour-run goes on from kDay's last.
constexpr std::array<const char*, 4> kNextDay = {"11", "11", "10", "12"};
constexpr std::array<const char*, 4> kLastDay = {"12", "12", "13", "13"};

std::string floodLog(int lines, int seed, const std::array<const char*, 4>& hours) {
  std::string log;
  for (int i = 0; i < lines; ++i) {
    const int n = (i * 7 + seed) % (lines / 3);
    std::string address;
    switch (n % 4) {
      case 0:
        address = "10." + std::to_string(n / 65536) + "." + std::to_string(n / 256 % 256) + "." +
                  std::to_string(n % 256);
        break;
      case 1:
        address = "2001:db8:1234:5678:9abc:def0:" + std::to_string(n % 7919) + ":" +
                  std::to_string(n / 7919 + 1);
        break;
      case 2:
        address = "2001:DB8::" + std::to_string(n);
        break;
      default:
        address = "host-" + std::to_string(n) + ".example.com";
        break;
    }
    log += address + " - - [25/Aug/2009:" + hours[i * 4 / lines] +
           ":00:00 +0800] \"GET / HTTP/1.1\" 200 1 \"-\" \"Mozilla/5.0\"\n";
  }
  return log;
}

// The system's temporary folder, for this test, is a folder of its own.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::filesystem::create_directory(root_.path() / "tmp");
    setenv("TMPDIR", root_.pathOf("tmp").c_str(), 1);
  }
  ~ScratchFolder() { unsetenv("TMPDIR"); }
  std::ptrdiff_t entries() const {
    return std::distance(std::filesystem::directory_iterator(root_.path() / "tmp"), {});
  }

 private:
  TempFolder root_;
};

RunOptions pieces(std::uint64_t memoryLimit) {
  RunOptions options;
  options.workers = 3;
  options.smallestPieceBytes = 4096;
  options.chunkBytes = 1000;
  options.memoryLimit = memoryLimit;
  return options;
}

TEST(AddressSpillTest, AFloodCountsTheSameInAnyLimitAndLeavesNoFile) {
  TempFolder folder;
  const std::vector<std::string> files = {folder.write("a.log", floodLog(9000, 1, kDay)),
                                          folder.write("b.log", floodLog(6000, 2, kNextDay)),
                                          folder.write("c.log", floodLog(6000, 5, kLastDay))};
  const RunResult inMemory = runStatistics(files, pieces(0));
  ASSERT_TRUE(inMemory.error.ok());
  EXPECT_GT(inMemory.tables.counts(StatCategory::Ip).total(0), 2000u);
  for (const std::uint64_t limit : {1, 4096, 65536}) {
    const ScratchFolder scratch;
    for (const std::size_t workers : {1, 3}) {
      RunOptions options = pieces(limit);
      options.workers = workers;
      const RunResult spilled = runStatistics(files, options);
      ASSERT_TRUE(spilled.error.ok()) << limit;
      EXPECT_EQ(spilled.tables, inMemory.tables) << limit << " " << workers;
      EXPECT_EQ(scratch.entries(), 0);
    }
  }
}

TEST(AddressSpillTest, ACancelledOrFailedRunLeavesNoFile) {
  TempFolder folder;
  const std::vector<std::string> files = {folder.write("a.log", floodLog(9000, 3, kDay))};
  const ScratchFolder scratch;
  RunOptions options = pieces(1);
  options.workers = 1;  // a run on one thread looks for a cancel after every chunk
  int polls = 0;
  options.cancelRequested = [&] { return ++polls > 20; };
  EXPECT_EQ(runStatistics(files, options).error.what, Error::What::kCancelled);
  EXPECT_EQ(scratch.entries(), 0);
  const int status = testing::exitStatusOfChild([&] {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG, like a full disk
    const rlimit limit{256, 256};
    setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult result = runStatistics(files, pieces(1));
    const std::string message = unreadableFileMessage("a.log", result.error, Wording());
    return result.error.what == Error::What::kTemporary &&
                   message.find("temporary") != std::string::npos &&
                   message.find("File too large") != std::string::npos
               ? 0
               : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(scratch.entries(), 0);
  // A temporary folder that is a file: told as a temporary file's failure, not the log's.
  setenv("TMPDIR", files[0].c_str(), 1);
  EXPECT_EQ(runStatistics(files, pieces(1)).error.what, Error::What::kTemporary);
}

}  // namespace
}  // namespace crawlmeter
