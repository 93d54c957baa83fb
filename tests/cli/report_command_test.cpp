// crawlmeter-report as a user runs it: output bytes, the export file and exit statuses.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "command_runner.h"
#include "run/export_file.h"
#include "run/report.h"
#include "run/statistics_run.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::Outcome;
using testing::readFile;
using testing::runCommand;
using testing::TempFolder;

// The system's words for a missing file and for a folder given as a file.
#if defined(_WIN32)
const std::string kNoSuchFile = systemErrorText(2), kIsAFolder = systemErrorText(336);
#else
const std::string kNoSuchFile = "No such file or directory", kIsAFolder = "Is a directory";
#endif

const std::string kLog =
    "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" \"Googlebot\"\n"
    "2.2.2.2 - - [25/Aug/2009:11:16:00 +0800] \"GET /\" \"Mozilla\"\n";

TEST(ReportCommandTest, PrintsTheReportOfTheChosenKindWithLfLineEnds) {
  TempFolder folder;
  const std::string log = folder.write("a.log", kLog);
  RunOptions options;
  const RunResult expected = runStatistics(std::vector<std::string>{log}, options);
  const Outcome pv = runCommand(folder, {log});
  EXPECT_EQ(pv.status, 0);
  EXPECT_EQ(pv.out, reportText(expected.tables, StatCategory::Pv, "\n"));
  EXPECT_EQ(pv.err, "");
  const Outcome google = runCommand(folder, {"--kind", "google", log});
  EXPECT_EQ(google.out, reportText(expected.tables, StatCategory::Google, "\n"));
  EXPECT_NE(google.out.find("10:00-11:00      1\n"), std::string::npos);
  EXPECT_EQ(readFile(log), kLog);  // never rewritten unless asked
}

TEST(ReportCommandTest, WritesTheExportFileAndRewritesOnlyWhenAsked) {
  TempFolder folder;
  const std::string log = folder.write("a.log", kLog);
  const Outcome outcome =
      runCommand(folder, {"--kind=ip", "--output", folder.pathOf("r.txt"), log});
  ASSERT_EQ(outcome.status, 0);
  EXPECT_EQ(readFile(folder.pathOf("r.txt")), *exportFileBytes(outcome.out));
  EXPECT_EQ(readFile(folder.pathOf("r.txt")).substr(0, 21),
            "\xD5\xFD\xD4\xDA\xCD\xB3\xBC\xC6IP\xB4\xCE\xCA\xFD...\r\n\r\n");
  EXPECT_EQ(readFile(log), kLog);
  ASSERT_EQ(runCommand(folder, {"--rewrite-line-ends", log}).status, 0);
  EXPECT_EQ(readFile(log).substr(0, kLog.find('\n') + 2), kLog.substr(0, kLog.find('\n')) + "\r\n");
}

TEST(ReportCommandTest, UnreadableFileFailsWithStatusOneAndWritesNothing) {
  TempFolder folder;
  const std::string log = folder.write("a.log", kLog);
  const std::string missing = folder.pathOf("missing.log");
  const Outcome outcome =
      runCommand(folder, {"--rewrite-line-ends", "--output", folder.pathOf("r.txt"), log, missing});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err,
            "crawlmeter-report: Cannot read the log file: " + missing + "\n" + kNoSuchFile + "\n");
  EXPECT_FALSE(std::filesystem::exists(folder.pathOf("r.txt")));
  EXPECT_EQ(readFile(log), kLog);
}

TEST(ReportCommandTest, UnwritableExportFailsWithStatusOne) {
  TempFolder folder;
  const std::string log = folder.write("a.log", kLog);
  const Outcome outcome = runCommand(folder, {"--output", folder.pathOf("no/such/r.txt"), log});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err.rfind(
                "crawlmeter-report: Cannot export the file: " + folder.pathOf("no/such/r.txt"), 0),
            0u);
}

TEST(ReportCommandTest, ExportToStandardOutputOrAFifoLeavesEachWhatItIs) {
  TempFolder folder;
  const std::string log = folder.write("a.log", kLog);
  RunOptions options;
  const std::string report = reportText(
      runStatistics(std::vector<std::string>{log}, options).tables, StatCategory::Pv, "\n");
  // "-", and the very file standard output goes to: the export takes the report's place there.
  for (const std::string& output : {std::string("-"), folder.pathOf("stdout")}) {
    const Outcome outcome = runCommand(folder, {"--output", output, log});
    EXPECT_EQ(outcome.status, 0) << output;
    EXPECT_EQ(outcome.out, *exportFileBytes(report)) << output;
    EXPECT_EQ(outcome.err, "") << output;
  }
#if !defined(_WIN32)
  const std::string fifo = folder.pathOf("out.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  const Outcome toFifo = runCommand(folder, {"--output", fifo, log});
  EXPECT_EQ(toFifo.status, 0);
  EXPECT_EQ(toFifo.out, report);
  const std::string expected = *exportFileBytes(report);
  std::string exported(expected.size() + 1, '\0');
  exported.resize(static_cast<std::size_t>(
      std::max<ssize_t>(0, read(reader, exported.data(), exported.size()))));
  EXPECT_EQ(exported, expected);
  close(reader);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
#endif
  const std::string folderPath = testing::utf8Path(folder.path());
  const Outcome toFolder = runCommand(folder, {"--output", folderPath, log});
  EXPECT_EQ(toFolder.status, 1);
  EXPECT_EQ(toFolder.out, "");
  EXPECT_EQ(toFolder.err,
            "crawlmeter-report: Cannot export the file: " + folderPath + "\n" + kIsAFolder + "\n");
}

TEST(ReportCommandTest, WrongUsageExitsWithStatusTwo) {
  TempFolder folder;
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {}, {"--kind", "msn", "a.log"}, {"--bogus", "a.log"}, {"--output"}}) {
    const Outcome outcome = runCommand(folder, arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err, "");
  }
}

TEST(ReportCommandTest, TellsItsVersionAndUsage) {
  TempFolder folder;
  EXPECT_EQ(runCommand(folder, {"--version"}).out, "crawlmeter-report 1.0.0.0\n");
  const Outcome help = runCommand(folder, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--rewrite-line-ends"), std::string::npos);
}

}  // namespace
}  // namespace crawlmeter
