// The system's words for error numbers, and code page 936 conversions on glibc's well-kept iconv
// tables ("CP936" maps 0x80 to the euro sign as Windows does), resuming after each character iconv
// cannot convert.
#include <iconv.h>
#include <locale.h>

#include <cerrno>
#include <cstring>

#include "base/error.h"
#include "codec/cp936.h"

namespace crawlmeter {
namespace {

// The user's message language, as the environment names it (the C locale's English when that
// language is not installed), with UTF-8 characters whatever the user's character set: the
// program's texts are UTF-8, and the reasons go with them. A locale object of its own keeps this
// reentrant, unlike setlocale.
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

// What iconv_open gives when it cannot convert.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (handle_ != kNoConverter) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool opened() const { return handle_ != kNoConverter; }

  // Converts input; skipLength(rest) tells how many bytes an unconvertible character takes, and
  // replacement is written in its place.
  template <typename SkipLength>
  std::string convert(std::string_view input, std::string_view replacement, SkipLength skipLength) {
    std::string out;
    out.reserve(input.size() * 3 / 2 + 16);
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t result = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
      const int code = errno;
      out.append(buffer, outPtr);
      if (result != static_cast<std::size_t>(-1) || code == E2BIG) continue;
      // EILSEQ or EINVAL: one character iconv cannot take; replace it and go on after it.
      const std::size_t skip = skipLength(std::string_view(in, inLeft));
      out.append(replacement);
      in += skip;
      inLeft -= skip;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t handle_;
};

}  // namespace

std::string systemErrorText(int code) { return UserLocale().errorText(code); }

bool isNotFound(const Error& error) { return error.code == ENOENT; }

Expected<std::string> decodeCp936(std::string_view bytes) {
  Converter converter("UTF-8", "CP936");
  if (!converter.opened()) return Error::fromErrno(Error::What::kConvert, {});
  return converter.convert(bytes, kReplacementUtf8,
                           [](std::string_view rest) { return characterLength(rest, 0); });
}

Expected<std::string> encodeCp936(std::string_view utf8) {
  Converter converter("CP936", "UTF-8");
  if (!converter.opened()) return Error::fromErrno(Error::What::kConvert, {});
  return converter.convert(utf8, "?", [](std::string_view rest) {
    const std::size_t length = utf8SequenceLength(static_cast<unsigned char>(rest[0]));
    if (length > rest.size()) return std::size_t{1};
    for (std::size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return std::size_t{1};
    }
    return length;
  });
}

}  // namespace crawlmeter
