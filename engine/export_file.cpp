// Export encoding and writing.
#include "export_file.h"

#include "cp936.h"
#include "replacement_file.h"

namespace crawlmeter {

std::string exportFileBytes(std::string_view text) {
  std::string crlfText;
  crlfText.reserve(text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n') crlfText += '\r';
    crlfText += c;
  }
  crlfText += "\r\n";
  return encodeCp936(crlfText);
}

std::optional<std::string> writeExportFile(const std::string& path, std::string_view text) {
  return replaceFileContent(path, exportFileBytes(text));
}

std::string exportSucceededMessage(const std::string& path) {
  return std::string(kExportSucceededPrefix) + path;
}

std::string exportFailedMessage(const std::string& path, const std::string& reason) {
  return std::string(kExportFailedPrefix) + path + (reason.empty() ? "" : "\n" + reason);
}

}  // namespace crawlmeter
