// localedef in a child process, and setenv/unsetenv undone in reverse.
#include "locales.h"

#if !defined(_WIN32)
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace crawlmeter::testing {

bool buildLocale(const TempFolder& folder, const char* language, const char* charset) {
  const std::string name = folder.pathOf(std::string(language) + "." + charset);
  return exitStatusOfChild([&] {
           execlp("localedef", "localedef", "-i", language, "-f", charset, name.c_str(), nullptr);
           return 127;
         }) == 0;
}

bool hasChineseSystemMessages() {
  return std::filesystem::exists("/usr/share/locale/zh_CN/LC_MESSAGES/libc.mo");
}

Setting::Setting(const char* name, const std::optional<std::string>& value) : name_(name) {
  if (const char* before = std::getenv(name)) before_ = before;
  value ? setenv(name, value->c_str(), 1) : unsetenv(name);
}

Setting::~Setting() { before_ ? setenv(name_, before_->c_str(), 1) : unsetenv(name_); }

}  // namespace crawlmeter::testing
#endif
