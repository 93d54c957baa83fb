// The reason texts: the C library's translated error texts through a locale object of the user's
// settings (reentrant, unlike setlocale), and the program's own words in Chinese, its language.
#include "files/error.h"

#include <locale.h>

#include <cstring>

namespace crawlmeter {
namespace {

// The user's message language, as the environment names it (the C locale's English when that
// language is not installed), with UTF-8 characters whatever the user's character set: the
// program's texts are UTF-8, and the reasons go with them.
class UserLocale {
 public:
  UserLocale() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {
    if (locale_ == locale_t{}) locale_ = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (locale_ == locale_t{}) return;
    const locale_t withLanguage = newlocale(LC_MESSAGES_MASK, "", locale_);
    if (withLanguage != locale_t{}) locale_ = withLanguage;  // it took locale_ over
  }
  ~UserLocale() {
    if (locale_ != locale_t{}) freelocale(locale_);
  }
  UserLocale(const UserLocale&) = delete;
  UserLocale& operator=(const UserLocale&) = delete;

  std::string errorText(int code) const {
    return locale_ != locale_t{} ? strerror_l(code, locale_) : "error " + std::to_string(code);
  }

 private:
  locale_t locale_;
};

const char* ownWords(Error::What what) {
  switch (what) {
    case Error::What::kNotRegular:
      return "这不是普通文件（是设备、管道或套接字）";
    case Error::What::kReadOnly:
      return "文件是只读的";
    case Error::What::kNoReader:
      return "没有程序在读取这个管道";
    case Error::What::kNotWritable:
      return "这是套接字或块设备，不能写入";
    case Error::What::kConvert:
      return "系统缺少代码页936（GBK）的转换表";
    case Error::What::kCancelled:
      return "已取消";
    default:
      return nullptr;
  }
}

}  // namespace

std::string withReason(std::string text, const Error& error) {
  const std::string reason = reasonText(error);
  return reason.empty() ? text : text + "\n" + reason;
}

std::string reasonText(const Error& error) {
  if (!error.detail.empty()) return error.detail;
  if (const char* words = ownWords(error.what)) return words;
  if (error.code == 0) return std::string();
  return UserLocale().errorText(error.code);
}

}  // namespace crawlmeter
