// Export bytes and the safe write of the export file.
#include "export_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::readFile;
using testing::TempFolder;

TEST(ExportFileTest, WritesLinesWithCrLfPlusOneMoreInCodePage936) {
  EXPECT_EQ(exportFileBytes("日期\nb"), "\xC8\xD5\xC6\xDA\r\nb\r\n");
  EXPECT_EQ(exportFileBytes(""), "\r\n");
  EXPECT_EQ(exportFileBytes("a\n"), "a\r\n\r\n");
  EXPECT_EQ(exportFileBytes("😀"), "?\r\n");
}

TEST(ExportFileTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions) {
  TempFolder folder;
  const std::string target = folder.write("r.txt", "old content that is longer");
  chmod(target.c_str(), 0640);
  EXPECT_EQ(writeExportFile(target, "new"), std::nullopt);
  EXPECT_EQ(readFile(target), "new\r\n");
  struct stat info {};
  stat(target.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(ExportFileTest, FailsWithAReasonAndLeavesEverythingAsItWas) {
  TempFolder folder;
  std::filesystem::create_directory(folder.pathOf("dir.txt"));
  EXPECT_NE(writeExportFile(folder.pathOf("missing/r.txt"), "x"), std::nullopt);
  EXPECT_NE(writeExportFile(folder.pathOf("dir.txt"), "x"), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_directory(folder.pathOf("dir.txt")));
  std::filesystem::create_directory(folder.pathOf("locked"));
  const std::string locked = folder.write("locked/r.txt", "keep me");
  chmod(folder.pathOf("locked").c_str(), 0555);
  if (geteuid() != 0) {  // the superuser may write any folder
    EXPECT_NE(writeExportFile(locked, "x"), std::nullopt);
    EXPECT_EQ(readFile(locked), "keep me");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

TEST(ExportFileTest, MessagesNameThePath) {
  EXPECT_EQ(exportSucceededMessage("/out/r.txt"), "成功导出文件到/out/r.txt");
  EXPECT_EQ(exportFailedMessage("/out/r.txt", "No such file or directory"),
            "导出文件失败：/out/r.txt\nNo such file or directory");
}

}  // namespace
}  // namespace crawlmeter
