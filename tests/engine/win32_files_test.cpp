// The files seam on Windows: Unicode paths, the rules of the line-end rewrite and of the export
// (attributes, sharing, hard links, read-only files, devices, folders) and the system's reasons.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "base/chinese_wording.h"
#include "files/win32/system.h"
#include "run/export_file.h"
#include "run/statistics_run.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::readFile;
using testing::TempFolder;

const std::string kLfLog = "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" \"Baiduspider\"\n";
const std::string kCrLfLog =
    "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" \"Baiduspider\"\r\n\r\n";

RunResult rewriting(const std::string& log, WhileLeased whileLeased = {}) {
  RunOptions options;
  options.rewriteLineEnds = true;
  options.whileLeased = std::move(whileLeased);
  return runStatistics(std::vector<std::string>{log}, options);
}

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(wideText(path).c_str()); }

TEST(Win32FilesTest, ALogInAChineseFolderIsCountedAndRewrittenKeepingItsAttributes) {
  TempFolder folder;
  std::filesystem::create_directory(std::filesystem::u8path(folder.pathOf("访问日志")));
  const std::string log = folder.write("访问日志/日志.log", kLfLog);
  SetFileAttributesW(wideText(log).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  // No program may open the log to write while it is being replaced.
  bool writerShutOut = false;
  const RunResult result = rewriting(log, [&](const std::string&) {
    OwnedHandle writer = openPath(log, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
    writerShutOut = !writer.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
  });
  ASSERT_TRUE(result.error.ok()) << reasonText(result.error, Wording());
  EXPECT_EQ(result.tables.counts(StatCategory::Baidu).at(0, 10), 1);
  EXPECT_TRUE(writerShutOut);
  EXPECT_EQ(readFile(log), kCrLfLog);
  EXPECT_NE(attributesOf(log) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(
                              std::filesystem::u8path(folder.pathOf("访问日志"))),
                          {}),
            1);
}

// Each case leaves the log as it was: another program writes it, it has a second name, it is
// read-only.
TEST(Win32FilesTest, ALogThatCannotBeReplacedSafelyIsCountedAndLeftAlone) {
  TempFolder folder;
  const std::string open = folder.write("open.log", kLfLog);
  OwnedHandle writer = openPath(open, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
  ASSERT_TRUE(writer.valid());
  const std::string linked = folder.write("linked.log", kLfLog);
  ASSERT_TRUE(CreateHardLinkW(wideText(folder.pathOf("second.log")).c_str(),
                              wideText(linked).c_str(), nullptr));
  const std::string readOnly = folder.write("readonly.log", kLfLog);
  SetFileAttributesW(wideText(readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
  for (const std::string& log : {open, linked, readOnly}) {
    const RunResult result = rewriting(log);
    ASSERT_TRUE(result.error.ok()) << log;
    EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(0, 10), 1) << log;
    EXPECT_EQ(readFile(log), kLfLog) << log;
  }
  SetFileAttributesW(wideText(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(folder.entryCount(), 4);
}

// Names relative to the current folder, as a user types them.
TEST(Win32FilesTest, RelativeNamesAreRewrittenAndExportedToo) {
  TempFolder folder;
  folder.write("lf.log", kLfLog);
  folder.write("r.txt", "old");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const RunResult result = rewriting("lf.log");
  const Error exported = writeExportFile("r.txt", "new");
  std::filesystem::current_path(before);
  EXPECT_TRUE(result.error.ok());
  EXPECT_EQ(readFile(folder.pathOf("lf.log")), kCrLfLog);
  EXPECT_TRUE(exported.ok()) << reasonText(exported, Wording());
  EXPECT_EQ(readFile(folder.pathOf("r.txt")), "new\r\n");
}

TEST(Win32FilesTest, TheExportReplacesAFileWritesADeviceAndRefusesAFolder) {
  TempFolder folder;
  const std::string existing = folder.write("导出.txt", "old content that is longer");
  SetFileAttributesW(wideText(existing).c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(writeExportFile(existing, "日期").ok());
  EXPECT_EQ(readFile(existing), "\xC8\xD5\xC6\xDA\r\n");
  EXPECT_NE(attributesOf(existing) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_TRUE(writeExportFile("NUL", "x").ok());
  const std::string readOnly = folder.write("readonly.txt", "keep me");
  SetFileAttributesW(wideText(readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(writeExportFile(readOnly, "x").what, Error::What::kReadOnly);
  EXPECT_EQ(readFile(readOnly), "keep me");
  SetFileAttributesW(wideText(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
  const Error toFolder = writeExportFile(testing::utf8Path(folder.path()), "x");
  EXPECT_EQ(toFolder.code, static_cast<int>(kIsAFolder));
  EXPECT_EQ(folder.entryCount(), 2);
}

// The system's own words (FormatMessageW), whatever the failure, and never a bare number.
TEST(Win32FilesTest, FailuresNameTheFileAndGiveTheSystemsReason) {
  TempFolder folder;
  const std::string missing = folder.pathOf("缺少.log");
  const RunResult result = runStatistics(std::vector<std::string>{missing}, RunOptions{});
  ASSERT_TRUE(result.error.failed());
  EXPECT_TRUE(isNotFound(result.error));
  const std::string message = unreadableFileMessage(missing, result.error, ChineseWording());
  EXPECT_EQ(message.rfind("无法读取日志文件：" + missing + "\n", 0), 0u) << message;
  for (const int code : {ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION, ERROR_DISK_FULL}) {
    const std::string reason = systemErrorText(code);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find("error "), std::string::npos) << reason;
    EXPECT_NE(reason.back(), '\n');
  }
}

}  // namespace
}  // namespace crawlmeter
