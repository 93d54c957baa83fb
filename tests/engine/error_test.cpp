// The reason a user reads for a failure is in the user's language.
#include "files/error.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "temp_folder.h"

namespace crawlmeter {
namespace {

TEST(ErrorTest, TheSystemsReasonFollowsTheUsersLanguage) {
  if (!std::filesystem::exists("/usr/share/locale/zh_CN/LC_MESSAGES/libc.mo"))
    GTEST_SKIP() << "the C library's Chinese messages (libc-l10n) are not installed";
  testing::TempFolder locales;  // the Chinese locale is built here, not installed on the system
  const std::string chinese = locales.pathOf("zh_CN.UTF-8");
  const int built = testing::exitStatusOfChild([&] {
    execlp("localedef", "localedef", "-i", "zh_CN", "-f", "UTF-8", chinese.c_str(), nullptr);
    return 127;
  });
  if (built != 0) GTEST_SKIP() << "localedef cannot build zh_CN.UTF-8 (the locales package)";
  setenv("LOCPATH", locales.path().c_str(), 1);
  const Error missing = Error::of(Error::What::kOpen, "/no/such.log", ENOENT);
  setenv("LC_ALL", "zh_CN.UTF-8", 1);
  EXPECT_EQ(reasonText(missing), "没有那个文件或目录");
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(reasonText(missing), "No such file or directory");
  setenv("LC_ALL", "xx_XX.UTF-8", 1);  // a language the machine lacks reads as the C locale
  EXPECT_EQ(reasonText(missing), "No such file or directory");
}

}  // namespace
}  // namespace crawlmeter
