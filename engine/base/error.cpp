// The reason texts: the system's words for its error numbers (files/linux/ and files/win32/ give
// them), and the program's own words, English in the code and translated where they are shown.
#include "base/error.h"

namespace crawlmeter {
namespace {

const char* ownWords(Error::What what) {
  switch (what) {
    case Error::What::kNotRegular:
      return translatable("This is not a regular file (it is a device, a pipe or a socket)");
    case Error::What::kReadOnly:
      return translatable("The file is read-only");
    case Error::What::kNoReader:
      return translatable("No program is reading this pipe");
    case Error::What::kNotWritable:
      return translatable("This is a socket or a block device, which cannot be written to");
    case Error::What::kConvert:
      return translatable("The system lacks the conversion tables of code page 936 (GBK)");
    case Error::What::kCancelled:
      return translatable("Cancelled");
    case Error::What::kChanged:
      return translatable("The file changed after it was looked at");
    case Error::What::kResources:
      return translatable("Out of memory");
    default:
      return nullptr;
  }
}

}  // namespace

std::string withReason(std::string text, const Error& error, const Wording& wording) {
  const std::string reason = reasonText(error, wording);
  return reason.empty() ? text : text + "\n" + reason;
}

std::string reasonText(const Error& error, const Wording& wording) {
  if (!error.detail.empty()) return error.detail.text(wording);
  if (const char* words = ownWords(error.what)) return std::string(wording.text(words));
  if (error.code == 0) return std::string();
  return systemErrorText(error.code);
}

}  // namespace crawlmeter
