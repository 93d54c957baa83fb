// The language of the command's own words: Simplified Chinese for a user whose language is
// Chinese, English otherwise. The report itself is Chinese in every language.
#pragma once

#include <memory>

#include "base/wording.h"

namespace crawlmeter {

// Sets the process up for the user's language and gives the wording for it; called once, in
// main(), before any thread starts. On Linux the words come from gettext's catalogue
// (share/locale/zh_CN/LC_MESSAGES/crawlmeter.mo, looked for relative to the program's folder);
// on Windows, which has no gettext, from the table compiled in.
std::unique_ptr<Wording> userWording();

}  // namespace crawlmeter
