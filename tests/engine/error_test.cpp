// The reason a user reads for a failure is in the user's language.
#include "base/error.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "temp_folder.h"

namespace crawlmeter {
namespace {

// Builds the locale name (such as zh_CN.GBK) into folder; false when this machine cannot.
bool buildLocale(const testing::TempFolder& folder, const char* language, const char* charset) {
  const std::string name = folder.pathOf(std::string(language) + "." + charset);
  return testing::exitStatusOfChild([&] {
           execlp("localedef", "localedef", "-i", language, "-f", charset, name.c_str(), nullptr);
           return 127;
         }) == 0;
}

// Sets an environment variable for as long as it lives.
class Setting {
 public:
  Setting(const char* name, const std::string& value) : name_(name) {
    if (const char* before = std::getenv(name)) before_ = before;
    setenv(name, value.c_str(), 1);
  }
  ~Setting() { before_ ? setenv(name_, before_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> before_;
};

TEST(ErrorTest, TheSystemsReasonIsInTheUsersLanguageAndInUtf8) {
  if (!std::filesystem::exists("/usr/share/locale/zh_CN/LC_MESSAGES/libc.mo"))
    GTEST_SKIP() << "the C library's Chinese messages (libc-l10n) are not installed";
  testing::TempFolder locales;  // built here, not installed on the system
  if (!buildLocale(locales, "zh_CN", "UTF-8") || !buildLocale(locales, "zh_CN", "GBK"))
    GTEST_SKIP() << "localedef cannot build the Chinese locales (the locales package)";
  const Setting localePath("LOCPATH", locales.path().string());
  const Error missing = Error::of(Error::What::kOpen, "/no/such.log", ENOENT);
  // A user's GBK locale still gives UTF-8, the encoding of every other text of the program.
  for (const char* chinese : {"zh_CN.UTF-8", "zh_CN.GBK"}) {
    const Setting language("LC_ALL", chinese);
    EXPECT_EQ(reasonText(missing), "没有那个文件或目录") << chinese;
  }
  // A language the machine lacks reads as the C locale's English.
  for (const char* english : {"C.UTF-8", "xx_XX.UTF-8"}) {
    const Setting language("LC_ALL", english);
    EXPECT_EQ(reasonText(missing), "No such file or directory") << english;
  }
}

}  // namespace
}  // namespace crawlmeter
