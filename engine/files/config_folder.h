// Where the program's configuration lives for this user, by the XDG base directory rules (and
// Windows' %APPDATA% where there is no home): the one place the catalogue and the ranges look.
#pragma once

#include <optional>
#include <string>

namespace crawlmeter {

// $XDG_CONFIG_HOME/crawlmeter (~/.config/crawlmeter when that is unset, empty or relative, and
// %APPDATA%/crawlmeter where there is no home either), given the variables (UTF-8); nullopt when
// none says where the configuration lives.
std::optional<std::string> userConfigFolder(const char* xdgConfigHome, const char* home,
                                            const char* appData = nullptr);

}  // namespace crawlmeter
