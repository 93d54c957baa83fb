// Choosing the range files a user's ranges are made of, and telling their errors.
#include "files/config_folder.h"
#include "files/folder_listing.h"
#include "verify/crawler_ranges.h"

namespace crawlmeter {

std::optional<std::string> userRangesFolder(const char* xdgConfigHome, const char* home,
                                            const char* appData) {
  std::optional<std::string> folder = userConfigFolder(xdgConfigHome, home, appData);
  if (folder) *folder += "/ranges";
  return folder;
}

Error loadRanges(const RangesChoice& choice, CrawlerRanges* ranges) {
  CrawlerRanges loaded = CrawlerRanges::builtIn();
  if (choice.userFolder) {
    const Expected<std::vector<std::string>> names = folderEntries(*choice.userFolder);
    if (names.failed()) return names.error();
    for (const std::string& name : *names) {
      if (!name.ends_with(".json")) continue;
      if (Error error = loaded.addFile(*choice.userFolder + "/" + name); error.failed()) {
        return error;
      }
    }
  }
  for (const std::string& file : choice.files) {
    if (Error error = loaded.addFile(file); error.failed()) return error;
  }
  *ranges = std::move(loaded);
  return Error();
}

std::string rangesErrorMessage(const Error& error, const Wording& wording) {
  std::string text = error.path;
  if (error.line != 0) {
    text += ':';
    text += std::to_string(error.line);
  }
  text += ": ";
  if (error.what == Error::What::kRanges) return text + error.detail.text(wording);
  text += wording.text(translatable("cannot read the crawler address ranges"));
  return withReason(std::move(text), error, wording);
}

}  // namespace crawlmeter
