// The user's configuration folder, from the environment's variables alone.
#include "files/config_folder.h"

#include <filesystem>

namespace crawlmeter {

std::optional<std::string> userConfigFolder(const char* xdgConfigHome, const char* home,
                                            const char* appData) {
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
  if (xdgConfigHome != nullptr &&
      (xdgConfigHome[0] == '/' || std::filesystem::u8path(xdgConfigHome).is_absolute())) {
    return std::string(xdgConfigHome) + "/crawlmeter";
  }
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config/crawlmeter";
  if (appData == nullptr || appData[0] == '\0') return std::nullopt;
  return std::string(appData) + "/crawlmeter";
}

}  // namespace crawlmeter
