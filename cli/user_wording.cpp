// Choosing the command's language. Linux: gettext with the user's LC_MESSAGES, the catalogue found
// relative to the program's own folder (so that an installed program, one installed under
// another prefix and the one in the build tree all find theirs), or else in the folder the build
// was configured to install to. Windows: the user interface language of the user's account.
#include "user_wording.h"

#if defined(_WIN32)
#include <windows.h>

#include "base/chinese_wording.h"
#else
#include <libintl.h>
#include <locale.h>

#include <filesystem>
#include <system_error>
#endif

namespace crawlmeter {

#if defined(_WIN32)

std::unique_ptr<Wording> userWording() {
  if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE) {
    return std::make_unique<ChineseWording>();
  }
  return std::make_unique<Wording>();
}

#else

namespace {

constexpr char kDomain[] = "crawlmeter";

class GettextWording final : public Wording {
 public:
  std::string_view text(const char* english) const override { return dgettext(kDomain, english); }
};

// Where the catalogues are: CRAWLMETER_LOCALE_FROM_PROGRAM (the install's locale folder relative
// to its program folder) from the running program's folder, or the configured install folder.
std::string localeFolder() {
  std::error_code failed;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (!failed) {
    const std::filesystem::path folder = program.parent_path() / CRAWLMETER_LOCALE_FROM_PROGRAM;
    if (std::filesystem::is_directory(folder, failed)) return folder.lexically_normal().string();
  }
  return CRAWLMETER_INSTALLED_LOCALE;
}

}  // namespace

std::unique_ptr<Wording> userWording() {
  // Only the messages' language: numbers, times and characters stay the C locale's, so that the
  // report is the same whatever the user's locale. strerror's texts follow LC_MESSAGES without
  // this (files/linux/system_text.cpp).
  setlocale(LC_MESSAGES, "");
  bindtextdomain(kDomain, localeFolder().c_str());
  // The program's texts are UTF-8 whatever the user's character set, a GBK locale's among them.
  bind_textdomain_codeset(kDomain, "UTF-8");
  return std::make_unique<GettextWording>();
}

#endif

}  // namespace crawlmeter
