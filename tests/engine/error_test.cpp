// The reason a user reads for a failure is in the user's language.
#include "base/error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "locales.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

TEST(ErrorTest, TheSystemsReasonIsInTheUsersLanguageAndInUtf8) {
  if (!testing::hasChineseSystemMessages())
    GTEST_SKIP() << "the C library's Chinese messages (libc-l10n) are not installed";
  testing::TempFolder locales;  // built here, not installed on the system
  if (!testing::buildLocale(locales, "zh_CN", "UTF-8") ||
      !testing::buildLocale(locales, "zh_CN", "GBK"))
    GTEST_SKIP() << "localedef cannot build the Chinese locales (the locales package)";
  const testing::Setting localePath("LOCPATH", locales.path().string());
  const Error missing = Error::of(Error::What::kOpen, "/no/such.log", ENOENT);
  // A user's GBK locale still gives UTF-8, the encoding of every other text of the program.
  for (const char* chinese : {"zh_CN.UTF-8", "zh_CN.GBK"}) {
    const testing::Setting language("LC_ALL", chinese);
    EXPECT_EQ(reasonText(missing, Wording()), "没有那个文件或目录") << chinese;
  }
  // A language the machine lacks reads as the C locale's English.
  for (const char* english : {"C.UTF-8", "xx_XX.UTF-8"}) {
    const testing::Setting language("LC_ALL", english);
    EXPECT_EQ(reasonText(missing, Wording()), "No such file or directory") << english;
  }
}

}  // namespace
}  // namespace crawlmeter
