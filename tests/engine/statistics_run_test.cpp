// Whole runs over real files: labels, tables, line-end rewrites and failures that change nothing.
#include "run/statistics_run.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "base/chinese_wording.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::readFile;
using testing::TempFolder;

const std::string kLfLog =
    "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" \"Baiduspider\"\n"
    "2.2.2.2 - - [25/Aug/2009:10:16:00 +0800] \"GET /\" \"Mozilla\"\n";
const std::string kCrLfLog = "3.3.3.3 - - [26/Aug/2009:23:00:00 +0800] \"GET /\" \"Googlebot\"\r\n";

RunResult run(const std::vector<std::string>& files, bool rewrite = true,
              std::size_t chunk = 1 << 20) {
  RunOptions options;
  options.rewriteLineEnds = rewrite;
  options.chunkBytes = chunk;
  return runStatistics(files, options);
}

std::int64_t modifiedTime(const std::string& path) {
  return std::filesystem::last_write_time(std::filesystem::u8path(path)).time_since_epoch().count();
}

TEST(StatisticsRunTest, FillsLabelsAndRowsOneToN) {
  TempFolder folder;
  const RunResult result = run({folder.write("a.log", kLfLog), folder.write("b.log", kCrLfLog)});
  ASSERT_TRUE(result.error.ok());
  const StatisticsTables& tables = result.tables;
  EXPECT_EQ(tables.dateLabels, (std::vector<std::string>{"25/Aug/2009", "26/Aug/2009"}));
  EXPECT_EQ(tables.counts(StatCategory::Pv).at(0, 10), 2);
  EXPECT_EQ(tables.counts(StatCategory::Baidu).at(0, 10), 1);
  EXPECT_EQ(tables.counts(StatCategory::Google).at(1, 23), 1);
  EXPECT_EQ(tables.counts(StatCategory::Ip).at(1, 23), 1);
}

TEST(StatisticsRunTest, ConvertsBareLfFilesAndLeavesCrLfFilesUntouched) {
  TempFolder folder;
  const std::string lf = folder.write("lf.log", kLfLog);
  const std::string noFinalLf = folder.write("nofinal.log", "a :01\nb :02");
  const std::string crlf = folder.write("crlf.log", kCrLfLog);
  const std::string mixed = folder.write("mixed.log", "a :01\r\nb :02\nc :03\n");
  const std::string lfFirst = folder.write("lffirst.log", "\na :01\r\nb\r\r\n");
  const std::string single = folder.write("single.log", "a :01");
#if !defined(_WIN32)
  chmod(lf.c_str(), 0640);
#endif
  const std::int64_t crlfTime = modifiedTime(crlf);
  ASSERT_TRUE(run({lf, noFinalLf, crlf, mixed, lfFirst, single}).error.ok());
  std::string expected = kLfLog;
  for (std::size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2) {
    expected.insert(at, 1, '\r');
  }
  EXPECT_EQ(readFile(lf), expected + "\r\n");
  EXPECT_EQ(readFile(noFinalLf), "a :01\r\nb :02\r\n");
  EXPECT_EQ(readFile(crlf), kCrLfLog);
  EXPECT_EQ(modifiedTime(crlf), crlfTime);
  EXPECT_EQ(readFile(mixed), "a :01\r\nb :02\nc :03\n");
  EXPECT_EQ(readFile(lfFirst), "\r\na :01\r\nb\r\r\n\r\n");  // pairs and lone CRs stay
  EXPECT_EQ(readFile(single), "a :01");
#if !defined(_WIN32)
  struct stat info {};
  stat(lf.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
#endif
  EXPECT_EQ(folder.entryCount(), 6);
}

TEST(StatisticsRunTest, ARewrittenFileCountsTheSameAndIsRewrittenOnlyOnce) {
  TempFolder folder;
  const std::string lf = folder.write("lf.log", kLfLog);
  const RunResult first = run({lf});
  const std::string afterFirst = readFile(lf);
  const std::int64_t time = modifiedTime(lf);
  const RunResult second = run({lf});
  EXPECT_EQ(first.tables, second.tables);
  EXPECT_EQ(readFile(lf), afterFirst);
  EXPECT_EQ(modifiedTime(lf), time);
}

TEST(StatisticsRunTest, WithoutRewritingCountsAsIfConvertedAndChangesNothing) {
  TempFolder folder;
  const std::string lf = folder.write("lf.log", kLfLog);
  const RunResult counted = run({lf}, false);
  EXPECT_EQ(readFile(lf), kLfLog);
  EXPECT_EQ(counted.tables, run({lf}, true).tables);
}

TEST(StatisticsRunTest, ChunkSizeNeverChangesTheResultOrTheRewrite) {
  TempFolder reference;
  const std::string log =
      "x [25/Aug/2009:1\n" + kLfLog + "\xB0\xA1 a :\xB0\xA1\nA :10 Googlebot\n" + kLfLog;
  const RunResult expected = run({reference.write("a.log", log)});
  const std::string converted = readFile(reference.pathOf("a.log"));
  for (std::size_t chunk : {1u, 2u, 5u, 17u, 64u}) {
    TempFolder folder;
    const std::string path = folder.write("a.log", log);
    EXPECT_EQ(run({path}, true, chunk).tables, expected.tables) << chunk;
    EXPECT_EQ(readFile(path), converted) << chunk;
  }
}

TEST(StatisticsRunTest, EmptyFileGivesEmptyLabelAndNoCounts) {
  TempFolder folder;
  const std::string empty = folder.write("empty.log", "");
  const RunResult result = run({empty});
  ASSERT_TRUE(result.error.ok());
  EXPECT_EQ(result.tables.dateLabels[0], "");
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).total(0), 0);
  EXPECT_EQ(readFile(empty), "");
}

// Windows' own kinds of files, reasons and read-only rules: win32_files_test.
#if !defined(_WIN32)
TEST(StatisticsRunTest, UnreadableFileStopsTheRunAndChangesNoFile) {
  TempFolder folder;
  const std::string lf = folder.write("lf.log", kLfLog);
  const std::string fifo = folder.pathOf("fifo.log");
  mkfifo(fifo.c_str(), 0600);
  std::filesystem::create_directory(folder.pathOf("dir.log"));
  const std::pair<std::string, std::string> cases[] = {
      {folder.pathOf("missing.log"), "No such file or directory"},
      {folder.pathOf("dir.log"), "Is a directory"},
      {fifo, "这不是普通文件（是设备、管道或套接字）"},
  };
  for (const auto& [bad, reason] : cases) {
    const RunResult result = run({lf, bad});
    EXPECT_TRUE(result.error.failed());
    EXPECT_EQ(result.failedFile, 1u);
    // The window's words: Chinese in every locale but for the system's reason.
    EXPECT_EQ(unreadableFileMessage(bad, result.error, ChineseWording()),
              "无法读取日志文件：" + bad + "\n" + reason);
    EXPECT_EQ(readFile(lf), kLfLog);
  }
  EXPECT_EQ(folder.entryCount(), 3);
}
#endif

TEST(StatisticsRunTest, CancelledRunChangesNothing) {
  TempFolder folder;
  const std::string lf = folder.write("lf.log", kLfLog);
  const std::string other = folder.write("other.log", kLfLog);
  RunOptions options;
  options.rewriteLineEnds = true;
  options.chunkBytes = 16;
  options.workers = 1;  // asks between every chunk
  int chunks = 0;
  std::uint64_t lastDone = 0, lastTotal = 0;
  options.progress = [&](std::uint64_t done, std::uint64_t total) {
    lastDone = done, lastTotal = total;
  };
  options.cancelRequested = [&] { return ++chunks > 12; };
  const RunResult result = runStatistics(std::vector<std::string>{lf, other}, options);
  EXPECT_EQ(result.error.what, Error::What::kCancelled);
  EXPECT_EQ(readFile(lf), kLfLog);
  EXPECT_EQ(lastTotal, 2 * kLfLog.size());
  EXPECT_GT(lastDone, kLfLog.size());
  EXPECT_EQ(folder.entryCount(), 2);
}

TEST(StatisticsRunTest, CancelledRunOnSeveralThreadsChangesNothing) {
  TempFolder folder;
  const std::string lf = folder.write("lf.log", kLfLog);
  const std::string other = folder.write("other.log", kLfLog);
  RunOptions options;
  options.rewriteLineEnds = true;
  options.workers = 2;
  options.cancelRequested = [] { return true; };
  EXPECT_EQ(runStatistics(std::vector<std::string>{lf, other}, options).error.what,
            Error::What::kCancelled);
  EXPECT_EQ(readFile(lf), kLfLog);
  EXPECT_EQ(readFile(other), kLfLog);
  EXPECT_EQ(folder.entryCount(), 2);
}

#if !defined(_WIN32)
TEST(StatisticsRunTest, FilesThatCannotBeRewrittenSafelyAreCountedAndLeftAlone) {
  TempFolder folder;
  const std::string linked = folder.write("linked.log", kLfLog);
  std::filesystem::create_hard_link(linked, folder.pathOf("second-name.log"));
  const std::string readOnly = folder.write("readonly.log", kLfLog);
  chmod(readOnly.c_str(), 0444);
  std::filesystem::create_directory(folder.pathOf("locked"));
  const std::string inLocked = folder.write("locked/a.log", kLfLog);
  chmod(folder.pathOf("locked").c_str(), 0555);
  const RunResult result = run({linked, readOnly, inLocked});
  ASSERT_TRUE(result.error.ok());
  for (const std::string& path : {linked, readOnly, inLocked}) EXPECT_EQ(readFile(path), kLfLog);
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(2, 10), 2);
}

TEST(StatisticsRunTest, SymbolicLinkStaysALinkAndItsTargetIsConverted) {
  TempFolder folder;
  const std::string target = folder.write("target.log", kLfLog);
  const std::string link = folder.pathOf("link.log");
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(run({link}).error.ok());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readFile(target).substr(0, kLfLog.find('\n') + 2),
            kLfLog.substr(0, kLfLog.find('\n')) + "\r\n");
}
#endif

TEST(StatisticsRunTest, SameFileTwiceCountsBothAndConvertsOnce) {
  TempFolder folder;
  const std::string lf = folder.write("lf.log", kLfLog);
  const RunResult result = run({lf, lf});
  ASSERT_TRUE(result.error.ok());
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(0, 10), 2);
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(1, 10), 2);
  EXPECT_EQ(result.tables.counts(StatCategory::Ip).at(1, 10),
            0);  // the hour-run goes on from file 1
  EXPECT_EQ(readFile(lf).size(), kLfLog.size() + 2 + 2);
}

}  // namespace
}  // namespace crawlmeter
