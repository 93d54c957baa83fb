// Faults while a run rewrites or reads logs: a writer appending meanwhile, a full disk, the
// process killed mid-rewrite, and inputs meant to exhaust memory. The logs' bytes are checked
// afterwards; nothing may be lost or half-written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "base/chinese_wording.h"
#include "run/statistics_run.h"
#include "scan/line_ends.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::readFile;
using testing::TempFolder;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // the sanitizer's shadow memory defeats address-space limits
#else
constexpr bool kSanitized = false;
#endif

std::string lfLog(int lines) {
  std::string log;
  for (int i = 0; i < lines; ++i) {
    log += "10.0.0." + std::to_string(i % 250) + " - - [25/Aug/2009:" + std::to_string(10 + i % 3) +
           ":00:00 +0800] \"GET /page" + std::to_string(i) +
           " HTTP/1.1\" 200 5 \"-\" \"Baiduspider\"\n";
  }
  return log;
}

std::string converted(const std::string& bytes) {
  std::string out;
  LineEndConverter().convert(bytes, out);
  return out + std::string(LineEndConverter::kFinalLineEnd);
}

RunResult rewriteRun(const std::vector<std::string>& files, std::size_t chunk = 1 << 16) {
  RunOptions options;
  options.rewriteLineEnds = true;
  options.chunkBytes = chunk;
  options.workers = 1;
  return runStatistics(files, options);
}

TEST(FaultTest, LinesAppendedWhileCountingAreNeverLost) {
  TempFolder folder;
  const std::string original = lfLog(2000);
  const std::string path = folder.write("growing.log", original);
  const std::string appended = "9.9.9.9 - - [25/Aug/2009:12:00:00 +0800] \"GET /late\" 200 5\n";
  RunOptions options;
  options.rewriteLineEnds = true;
  options.chunkBytes = 4096;
  options.workers = 1;
  bool wrote = false;
  options.progress = [&](std::uint64_t, std::uint64_t) {
    if (wrote) return;
    std::ofstream(path, std::ios::app) << appended;  // a server writing on
    wrote = true;
  };
  const RunResult result = runStatistics(std::vector<std::string>{path}, options);
  ASSERT_TRUE(result.error.ok());
  EXPECT_EQ(readFile(path), original + appended);
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).total(0),
            2001);  // read on to the end, the late line too
  EXPECT_EQ(folder.entryCount(), 1);
}

TEST(FaultTest, ALogAServerStillHasOpenIsNotConverted) {
  TempFolder folder;
  const std::string original = lfLog(100);
  const std::string path = folder.write("live.log", original);
  std::ofstream server(path, std::ios::app);  // a server keeps its log open between writes
  const RunResult result = rewriteRun({path});
  ASSERT_TRUE(result.error.ok());
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).total(0), 100);
  const std::string late = "9.9.9.9 - - [25/Aug/2009:12:00:00 +0800] \"GET /late\"\n";
  server << late << std::flush;
  EXPECT_EQ(readFile(path), original + late);
  server.close();
  rewriteRun({path});
  EXPECT_EQ(readFile(path), converted(original + late));  // once closed, the log converts
}

// Whether the kernel is breaking a lease on the file with this inode: another program waits to
// open it.
bool leaseBreaking(ino_t inode) {
  std::ifstream locks("/proc/locks");
  std::string inodeField(1, ':');
  inodeField.append(std::to_string(inode)).push_back(' ');
  for (std::string line; std::getline(locks, line);) {
    if (line.find("BREAKING") != std::string::npos && line.find(inodeField) != std::string::npos)
      return true;
  }
  return false;
}

// Whether this system grants leases on files in folder (not all file systems do).
bool leasesWork(const TempFolder& folder) {
  const int fd = open(folder.write("probe", "").c_str(), O_RDONLY);
  const bool granted = fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
  close(fd);
  std::filesystem::remove(folder.pathOf("probe"));
  return granted && std::filesystem::exists("/proc/locks");
}

TEST(FaultTest, AProgramOpeningTheLogAsItIsReplacedGetsItAtOnceUnconverted) {
  TempFolder folder;
  if (!leasesWork(folder)) GTEST_SKIP() << "this system grants no leases here";
  const std::string original = lfLog(100);
  const std::string path = folder.write("a.log", original);
  struct stat info {};
  stat(path.c_str(), &info);
  pid_t opener = -1;
  RunOptions options;
  options.rewriteLineEnds = true;
  options.workers = 1;
  options.whileLeased = [&](const std::string&) {
    opener = fork();
    if (opener ==
        0) {  // must get the log as a file that still has its name, or its writes are lost
      struct stat opened {};
      const int fd = open(path.c_str(), O_RDONLY);
      _exit(fd >= 0 && fstat(fd, &opened) == 0 && opened.st_nlink == 1 ? 0 : 1);
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!leaseBreaking(info.st_ino) && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  const RunResult result = runStatistics(std::vector<std::string>{path}, options);
  ASSERT_GT(opener, 0);
  // Released at once, the opener goes on long before the kernel's lease-break time (45 s).
  int status = -1;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (waitpid(opener, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the opener still waits, or got a file without a name";
  if (status == -1) kill(opener, SIGKILL), waitpid(opener, nullptr, 0);
  ASSERT_TRUE(result.error.ok());
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).total(0), 100);
  EXPECT_EQ(readFile(path), original);
  EXPECT_EQ(folder.entryCount(), 1);
}

TEST(FaultTest, ALogReplacedAfterPlanningIsCountedAsPlannedAndLeftAlone) {
  TempFolder folder;
  const std::string path = folder.pathOf("a.log");
  const std::string replacement = "9.9.9.9 - - [26/Aug/2009:05:00:00 +0800] \"GET /new\"\n";
  // A bare LF log, to be converted, on one thread; a CR LF log cut into pieces on three.
  for (const std::string& original : {lfLog(30), converted(lfLog(30))}) {
    folder.write("a.log", original);
    RunOptions options;
    options.rewriteLineEnds = true;
    options.workers = 3;
    options.smallestPieceBytes = 256;
    options.probeBytes = 128;
    options.afterPlanning = [&] {  // a rotation: the name now holds another file
      std::filesystem::rename(folder.write("new.log", replacement), path);
    };
    const RunResult result = runStatistics(std::vector<std::string>{path}, options);
    ASSERT_TRUE(result.error.ok());
    EXPECT_EQ(result.tables.dateLabels[0], "25/Aug/2009");
    EXPECT_EQ(result.tables.counts(StatCategory::Pv).total(0), 30);
    EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(0, 5), 0);
    EXPECT_EQ(readFile(path), replacement);
    EXPECT_EQ(folder.entryCount(), 1);
  }
}

TEST(FaultTest, AnotherUsersLogIsNeitherConvertedNorTakenOver) {
  if (geteuid() != 0) GTEST_SKIP() << "needs the superuser to act as another user";
  TempFolder folder;
  chmod(folder.path().c_str(), 0777);
  const std::string original = lfLog(50);
  const std::string path = folder.write("shared.log", original);
  chmod(path.c_str(), 0666);
  const int status = testing::exitStatusOfChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) return 3;  // nobody
    const RunResult result = rewriteRun({path});
    return result.error.ok() && result.tables.counts(StatCategory::Pv).total(0) == 50 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(path), original);
  struct stat info {};
  stat(path.c_str(), &info);
  EXPECT_EQ(info.st_uid, 0u);
  EXPECT_EQ(folder.entryCount(), 1);
}

TEST(FaultTest, FullDiskWhileWritingTheCopyLeavesTheLogAsItWas) {
  TempFolder folder;
  const std::string original = lfLog(3000);
  const std::string path = folder.write("a.log", original);
  const int status = testing::exitStatusOfChild([&] {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG, like a full disk
    const rlimit limit{original.size() / 2, original.size() / 2};
    setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult result = rewriteRun({path});
    return result.error.ok() && result.tables.counts(StatCategory::Pv).total(0) == 3000 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(path), original);
  EXPECT_EQ(folder.entryCount(), 1);
}

// Where a rewriting process is killed: once this share of the log has been read and its converted
// bytes written to the copy; at the lease, the copy whole, right before it takes the log's place;
// or once the run is over.
enum class KillAt { kCopying, kLease, kRunOver };
struct KillMoment {
  const char* name;
  KillAt at;
  double shareRead;
};

// The contents of every file in folder but the log: the copy a killed process left behind.
std::vector<std::string> leftovers(const TempFolder& folder, const std::string& log) {
  std::vector<std::string> contents;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    if (testing::utf8Path(entry.path()) != log) contents.push_back(readFile(entry.path()));
  }
  return contents;
}

TEST(FaultTest, KilledDuringARewriteTheLogIsWhollyOldOrWhollyConverted) {
  const std::string original = lfLog(60000);  // about 5 MB, some 80 chunks
  const std::string expected = converted(original);
  const KillMoment moments[] = {
      {"copying, 5% read", KillAt::kCopying, 0.05},
      {"copying, half read", KillAt::kCopying, 0.5},
      {"copying, 95% read", KillAt::kCopying, 0.95},
      {"at the lease, the copy whole", KillAt::kLease, 0},
      {"the run over", KillAt::kRunOver, 0},
  };
  for (const KillMoment& moment : moments) {
    SCOPED_TRACE(moment.name);
    TempFolder folder;
    const std::string path = folder.write("a.log", original);
    const pid_t child = fork();
    if (child == 0) {
      RunOptions options;
      options.rewriteLineEnds = true;
      options.chunkBytes = 1 << 16;
      options.workers = 1;
      options.progress = [&](std::uint64_t done, std::uint64_t total) {
        if (moment.at == KillAt::kCopying && done >= moment.shareRead * total) raise(SIGKILL);
      };
      options.whileLeased = [&](const std::string&) {
        if (moment.at == KillAt::kLease) raise(SIGKILL);
      };
      runStatistics(std::vector<std::string>{path}, options);
      if (moment.at == KillAt::kRunOver) raise(SIGKILL);
      _exit(0);  // the moment never came
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "not killed";
    const std::string after = readFile(path);
    ASSERT_TRUE(after == original || after == expected) << after.size() << " bytes";
    EXPECT_EQ(after == expected, moment.at == KillAt::kRunOver);
    const std::vector<std::string> left = leftovers(folder, path);
    if (moment.at == KillAt::kRunOver) {
      EXPECT_TRUE(left.empty());
      continue;
    }
    // The copy the kill interrupted: begun and, before the lease, not yet whole.
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(expected.starts_with(left[0]));
    EXPECT_GT(left[0].size(), 0u);
    EXPECT_EQ(left[0].size() == expected.size(), moment.at == KillAt::kLease) << left[0].size();
  }
}

TEST(FaultTest, LongLinesAndLineFreeFilesCountInBoundedMemory) {
  if (kSanitized) GTEST_SKIP() << "address-space limits do not work under AddressSanitizer";
  TempFolder folder;
  const std::string noLineEnd = folder.pathOf("no-line-end.log");
  {
    std::ofstream out(noLineEnd, std::ios::binary);
    const std::string block(1 << 20, 'x');
    out << "1.2.3.4 - - [25/Aug/2009:07:00:00] ";
    for (int i = 0; i < 200; ++i) out << block;
  }
  const std::string longLine = folder.write(
      "long-line.log", "1.2.3.4 " + std::string(10 << 20, 'y') + " :07 Googlebot\r\nb :07\r\n");
  const std::string sparse = folder.pathOf("sparse.log");
  std::ofstream{sparse};
  std::filesystem::resize_file(sparse, 2ULL << 30);  // 2 GB of zero bytes, no line end
  const int status = testing::exitStatusOfChild([&] {
    const rlimit limit{256ULL << 20, 256ULL << 20};  // far below any of the files
    setrlimit(RLIMIT_AS, &limit);
    RunOptions options;
    options.workers = 1;
    const RunResult result =
        runStatistics(std::vector<std::string>{noLineEnd, longLine, sparse}, options);
    if (result.error.failed()) return 1;
    const StatisticsTables& t = result.tables;
    const bool right = t.counts(StatCategory::Pv).at(0, 7) == 1 &&
                       t.counts(StatCategory::Pv).at(1, 7) == 2 &&
                       t.counts(StatCategory::Google).at(1, 7) == 1 &&
                       t.counts(StatCategory::Ip).at(1, 7) == 1 /* 1.2.3.4 goes on from file 1 */ &&
                       t.counts(StatCategory::Pv).total(2) == 0 && t.dateLabels[0] == "25/Aug/2009";
    return right ? 0 : 2;
  });
  EXPECT_EQ(status, 0);
}

// A device could be read forever; it is refused with the message that says why. The device is
// made in the temporary folder (with /dev/zero's numbers) so that no device of the system is named.
TEST(FaultTest, DevicesAreRefusedWithTheMessage) {
  TempFolder folder;
  const std::string device = folder.pathOf("zero.log");
  if (mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 5)) != 0) {
    GTEST_SKIP() << "this user may not make a device";
  }
  const RunResult result = rewriteRun({device});
  ASSERT_TRUE(result.error.failed());
  EXPECT_EQ(result.error.what, Error::What::kNotRegular);
  EXPECT_EQ(unreadableFileMessage(device, result.error, ChineseWording()),
            "无法读取日志文件：" + device + "\n这不是普通文件（是设备、管道或套接字）");
  EXPECT_EQ(folder.entryCount(), 1);
}

TEST(FaultTest, SixHundredFilesAndBusyHoursCountInFull) {
  TempFolder folder;
  std::vector<std::string> files;
  for (int i = 0; i < 600; ++i) {
    files.push_back(folder.write(std::to_string(i) + ".log",
                                 "10.0.0.1 [" + std::to_string(i) + "/Aug:05:00\r\n"));
  }
  std::string busy;
  for (int i = 0; i < 40000; ++i)
    busy += "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250) + " :05\r\n";
  files.push_back(folder.write("busy.log", busy));
  const RunResult result = rewriteRun(files);
  ASSERT_TRUE(result.error.ok());
  EXPECT_EQ(result.tables.dateLabels.size(), 601u);
  EXPECT_EQ(result.tables.dateLabels[599], "599/Aug");
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(599, 5), 1);
  EXPECT_EQ(result.tables.counts(StatCategory::Ip).at(1, 5),
            0);  // the same address goes on in the hour-run
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(600, 5), 40000);
  EXPECT_EQ(result.tables.counts(StatCategory::Ip).at(600, 5), 40000);
  CountTable wide(1);
  wide.at(0, 0) = wide.at(0, 1) = 1LL << 31;
  EXPECT_EQ(wide.total(0), 1LL << 32);
}

}  // namespace
}  // namespace crawlmeter
