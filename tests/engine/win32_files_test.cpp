// The files seam on Windows: Unicode paths, the rules of the line-end rewrite and of the export
// (attributes, sharing, hard links, read-only files, devices, folders) and the system's reasons.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

// The names in a folder. The system's own calls in the long form, for folders past 260
// characters: the C runtime's (std::filesystem's) would take a cut path for the folder.
std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((widePath(folder) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(utf8Text(name));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// Removes a folder the test made and everything in it, as namesIn lists them.
void removeFolder(const std::string& folder) {
  for (const std::string& name : namesIn(folder)) {
    const std::string path = folder + "\\" + name;
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      removeFolder(path);
    } else {
      DeleteFileW(widePath(path).c_str());
    }
  }
  RemoveDirectoryW(widePath(folder).c_str());
}

struct RemovedAtTheEnd {
  std::string folder;
  ~RemovedAtTheEnd() { removeFolder(folder); }
};

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

// Paths reach the system in the \\?\ form, full, with no limit of 260 characters; a device keeps
// its name.
TEST(Win32FilesTest, PathsReachTheSystemFullInTheLongForm) {
  TempFolder folder;
  const std::wstring here = L"\\\\?\\" + wideText(testing::utf8Path(folder.path()));
  const std::pair<std::string, std::wstring> cases[] = {
      {"logs/a.log", here + L"\\logs\\a.log"},
      {"C:/logs/old/../a.log", L"\\\\?\\C:\\logs\\a.log"},
      {"\\\\server\\share\\a.log", L"\\\\?\\UNC\\server\\share\\a.log"},
      {"\\\\?\\C:\\a.log", L"\\\\?\\C:\\a.log"},
      {"NUL", L"NUL"},
  };
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  for (const auto& [given, system] : cases) EXPECT_EQ(widePath(given), system) << given;
  std::filesystem::current_path(before);
}

// A log in a folder nested past 300 characters, named as a user names it: counted, rewritten, and
// exported beside it by a name relative to the current folder.
TEST(Win32FilesTest, ALogPastThreeHundredCharactersIsCountedRewrittenAndExported) {
  TempFolder folder;
  const std::string level = "访问日志-" + std::string(40, 'x');
  // Before the temporary folder goes, which removes what it holds with the C runtime.
  const RemovedAtTheEnd deepFolders{folder.pathOf(level)};
  std::string relative = level;
  ASSERT_TRUE(CreateDirectoryW(widePath(folder.pathOf(relative)).c_str(), nullptr));
  while (wideText(folder.pathOf(relative)).size() <= 300) {
    relative += "/" + level;
    ASSERT_TRUE(CreateDirectoryW(widePath(folder.pathOf(relative)).c_str(), nullptr));
  }
  const std::string log = folder.pathOf(relative + "/日志.log");
  // The C runtime's files stop at 260 characters: the test writes and reads in the long form.
  const auto longForm = [](const std::string& path) { return utf8Text(widePath(path)); };
  testing::writeFile(longForm(log), kLfLog);
  const RunResult result = rewriting(log);
  ASSERT_TRUE(result.error.ok()) << reasonText(result.error, Wording());
  EXPECT_EQ(result.tables.counts(StatCategory::Baidu).at(0, 10), 1);
  EXPECT_EQ(readFile(longForm(log)), kCrLfLog);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const Error exported = writeExportFile(relative + "/导出.txt", "日期");
  std::filesystem::current_path(before);
  EXPECT_TRUE(exported.ok()) << reasonText(exported, Wording());
  EXPECT_EQ(readFile(longForm(folder.pathOf(relative + "/导出.txt"))), "\xC8\xD5\xC6\xDA\r\n");
  EXPECT_EQ(namesIn(folder.pathOf(relative)).size(), 2u);
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
