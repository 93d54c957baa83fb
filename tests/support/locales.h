// Locales the tests need and the machine may not have installed: built with localedef into a
// temporary folder that LOCPATH then names, and environment settings undone when a test ends.
#pragma once

#if !defined(_WIN32)
#include <optional>
#include <string>

#include "temp_folder.h"

namespace crawlmeter::testing {

// Builds the locale language.charset (such as zh_CN.GBK) into folder; false when this machine
// cannot.
bool buildLocale(const TempFolder& folder, const char* language, const char* charset);

// Whether the C library has its messages in Chinese (Debian's libc-l10n).
bool hasChineseSystemMessages();

// Sets an environment variable (or unsets it, for nullopt) for as long as it lives; child
// processes started meanwhile inherit it.
class Setting {
 public:
  Setting(const char* name, const std::optional<std::string>& value);
  ~Setting();
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

 private:
  const char* name_;
  std::optional<std::string> before_;
};

}  // namespace crawlmeter::testing
#endif
