// The program's words in Simplified Chinese, compiled in from po/zh_CN.po: the window's language in
// every locale, and the Windows command's where the user's language is Chinese.
#pragma once

#include "base/wording.h"

namespace crawlmeter {

class ChineseWording final : public Wording {
 public:
  // The Chinese of english; english itself when po/zh_CN.po has none.
  std::string_view text(const char* english) const override;
};

}  // namespace crawlmeter
