// Export bytes and the safe write of the export file.
#include "run/export_file.h"
#include "files/replacement_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/chinese_wording.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::readFile;
using testing::TempFolder;

TEST(ExportFileTest, WritesLinesWithCrLfPlusOneMoreInCodePage936) {
  EXPECT_EQ(*exportFileBytes("日期\nb"), "\xC8\xD5\xC6\xDA\r\nb\r\n");
  EXPECT_EQ(*exportFileBytes(""), "\r\n");
  EXPECT_EQ(*exportFileBytes("a\n"), "a\r\n\r\n");
  EXPECT_EQ(*exportFileBytes("😀"), "?\r\n");
}

TEST(ExportFileTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions) {
  TempFolder folder;
  const std::string target = folder.write("r.txt", "old content that is longer");
  chmod(target.c_str(), 0640);
  EXPECT_TRUE(writeExportFile(target, "new").ok());
  EXPECT_EQ(readFile(target), "new\r\n");
  struct stat info {};
  stat(target.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(folder.entryCount(), 1);
}

TEST(ExportFileTest, FailsWithAReasonAndLeavesEverythingAsItWas) {
  TempFolder folder;
  std::filesystem::create_directory(folder.pathOf("dir.txt"));
  EXPECT_EQ(writeExportFile(folder.pathOf("missing/r.txt"), "x").code, ENOENT);
  EXPECT_EQ(writeExportFile(folder.pathOf("dir.txt"), "x").code, EISDIR);
  EXPECT_TRUE(std::filesystem::is_directory(folder.pathOf("dir.txt")));
  std::filesystem::create_directory(folder.pathOf("locked"));
  const std::string locked = folder.write("locked/r.txt", "keep me");
  chmod(folder.pathOf("locked").c_str(), 0555);
  if (geteuid() != 0) {  // the superuser may write any folder
    EXPECT_TRUE(writeExportFile(locked, "x").failed());
    EXPECT_EQ(readFile(locked), "keep me");
  }
  EXPECT_EQ(folder.entryCount(), 2);
}

TEST(ExportFileTest, FullDiskLeavesTheOldFileWhole) {
  TempFolder folder;
  const std::string target = folder.write("r.txt", "the previous export");
  const std::string text(64 * 1024, 'x');
  const int status = testing::exitStatusOfChild([&] {
    signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG, as on a full disk
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    return writeExportFile(target, text).code == EFBIG ? 0 : 1;
  });
  EXPECT_EQ(status, 0) << "the export should have failed";
  EXPECT_EQ(readFile(target), "the previous export");
  EXPECT_EQ(folder.entryCount(), 1);
}

TEST(ExportFileTest, ReadOnlyTargetIsRefusedAndKept) {
  TempFolder folder;
  const std::string target = folder.write("ro.txt", "keep me");
  chmod(target.c_str(), 0444);
  EXPECT_EQ(writeExportFile(target, "new").what, Error::What::kReadOnly);
  EXPECT_EQ(readFile(target), "keep me");
}

TEST(ExportFileTest, AnotherUsersWritableFileKeepsItsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "needs the superuser to act as another user";
  TempFolder folder;
  chmod(folder.path().c_str(), 0777);
  const std::string target = folder.write("shared.txt", "old content");
  chmod(target.c_str(), 0666);
  const int status = testing::exitStatusOfChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) return 3;  // nobody
    return writeExportFile(target, "new").failed() ? 1 : 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(target), "new\r\n");
  struct stat info {};
  stat(target.c_str(), &info);
  EXPECT_EQ(info.st_uid, 0u);
}

TEST(ExportFileTest, LineBreaksOfAnyKindAreWrittenAsCrLf) {
  EXPECT_EQ(*exportFileBytes("a\r\nb\rc\nd"), "a\r\nb\r\nc\r\nd\r\n");
}

TEST(ExportFileTest, RoomIsJudgedWithAMargin) {
  TempFolder folder;
  EXPECT_TRUE(hasRoomFor(folder.pathOf("a.log"), 1));
  EXPECT_FALSE(hasRoomFor(folder.pathOf("a.log"), 1ULL << 62));
}

TEST(ExportFileTest, MessagesNameThePathInTheWordingsLanguage) {
  const Error missing = Error::of(Error::What::kOpen, "/out/r.txt", ENOENT);
  const Error readOnly = Error::of(Error::What::kReadOnly, "/out/r.txt");
  const ChineseWording chinese;
  EXPECT_EQ(exportSucceededMessage("/out/r.txt", chinese), "成功导出文件到/out/r.txt");
  EXPECT_EQ(exportFailedMessage("/out/r.txt", missing, chinese),
            "导出文件失败：/out/r.txt\nNo such file or directory");
  EXPECT_EQ(exportFailedMessage("/out/r.txt", readOnly, chinese),
            "导出文件失败：/out/r.txt\n文件是只读的");
  const Wording english;
  EXPECT_EQ(exportSucceededMessage("/out/r.txt", english), "Exported the file to /out/r.txt");
  EXPECT_EQ(exportFailedMessage("/out/r.txt", readOnly, english),
            "Cannot export the file: /out/r.txt\nThe file is read-only");
}

}  // namespace
}  // namespace crawlmeter
