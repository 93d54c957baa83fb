// The reason a user reads for a failure is in the user's language.
#include "base/error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "base/chinese_wording.h"
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

// ok() and failed() read one way for both types, so a test never reads backwards.
TEST(ErrorTest, OkAndFailedSayWhichWayAResultWent) {
  EXPECT_TRUE(Error().ok());
  EXPECT_FALSE(Error().failed());
  const Error failure = Error::of(Error::What::kRead, "a.log", EIO);
  EXPECT_TRUE(failure.failed());
  EXPECT_FALSE(failure.ok());
  const Expected<int> value = 3;
  EXPECT_TRUE(value.ok());
  EXPECT_FALSE(value.failed());
  const Expected<int> none = failure;
  EXPECT_TRUE(none.failed());
  EXPECT_FALSE(none.ok());
  EXPECT_EQ(none.error().code, EIO);
}

// A failure the system has no number for reads in the program's words, never in the words of an
// unrelated system error.
TEST(ErrorTest, FailuresWithoutASystemNumberReadInTheProgramsWords) {
  const struct {
    Error error;
    std::string reason;
  } cases[] = {
      {Error::of(Error::What::kChanged, "r.txt"), "文件在查看之后被改动了"},
      {Error::of(Error::What::kResources, "a.log"), "内存不足"},
      {Error::described(
           Error::What::kResources, "a.log",
           Message(translatable("not enough memory to start decompressing %s"), std::string("xz"))),
       "内存不足，无法开始 xz 解压"},
      {Error::described(Error::What::kDecompress, "a.gz", Message::verbatim("gzip 压缩数据有误")),
       "gzip 压缩数据有误"},
  };
  const ChineseWording chinese;
  for (const auto& known : cases) {
    EXPECT_EQ(reasonText(known.error, chinese), known.reason);
    EXPECT_EQ(withReason("无法导出：" + known.error.path, known.error, chinese),
              "无法导出：" + known.error.path + "\n" + known.reason);
  }
  EXPECT_NE(reasonText(Error::of(Error::What::kChanged, "r.txt"), Wording()),
            systemErrorText(EAGAIN));
}

}  // namespace
}  // namespace crawlmeter
