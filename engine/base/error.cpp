// The reason texts: the system's words for its error numbers (files/linux/ and files/win32/ give
// them), and the program's own words, English in the code and translated where they are shown.
#include "base/error.h"

namespace crawlmeter {
namespace {

// The program's words for the failures the system has no number for.
struct OwnWords {
  Error::What what;
  const char* english;
};
constexpr OwnWords kOwnWords[] = {
    {Error::What::kNotRegular,
     translatable("This is not a regular file (it is a device, a pipe or a socket)")},
    {Error::What::kReadOnly, translatable("The file is read-only")},
    {Error::What::kNoReader, translatable("No program is reading this pipe")},
    {Error::What::kNotWritable,
     translatable("This is a socket or a block device, which cannot be written to")},
    {Error::What::kConvert,
     translatable("The system lacks the conversion tables of code page 936 (GBK)")},
    {Error::What::kCancelled, translatable("Cancelled")},
    {Error::What::kChanged, translatable("The file changed after it was looked at")},
    {Error::What::kResources, translatable("Out of memory")},
};

const char* ownWords(Error::What what) {
  for (const OwnWords& words : kOwnWords) {
    if (words.what == what) return words.english;
  }
  return nullptr;
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
