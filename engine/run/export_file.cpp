// Export encoding and writing.
#include "run/export_file.h"

#include "codec/cp936.h"
#include "files/output_file.h"

namespace crawlmeter {

Expected<std::string> exportFileBytes(std::string_view text) {
  std::string crlfText;
  crlfText.reserve(text.size() + text.size() / 16 + 2);
  // A text box takes CR LF and a lone CR (from a date label, say) as line breaks too, so they are
  // written as the window's export writes them.
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool lineBreak = text[at] == '\n' || text[at] == '\r';
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    if (lineBreak) {
      crlfText += "\r\n";
    } else {
      crlfText += text[at];
    }
  }
  crlfText += "\r\n";
  return encodeCp936(crlfText);
}

Error writeExportFile(const std::string& path, std::string_view text) {
  const Expected<std::string> bytes = exportFileBytes(text);
  if (bytes.failed()) return bytes.error().on(path);
  return writeOutputFile(path, *bytes);
}

Error writeExportToStandardOutput(std::string_view text) {
  const Expected<std::string> bytes = exportFileBytes(text);
  return bytes.ok() ? writeStandardOutput(*bytes) : bytes.error();
}

std::string exportSucceededMessage(const std::string& path, const Wording& wording) {
  return Message(translatable("Exported the file to %s"), path).text(wording);
}

std::string exportFailedMessage(const std::string& path, const Error& error,
                                const Wording& wording) {
  const Message text(translatable("Cannot export the file: %s"), path);
  return withReason(text.text(wording), error, wording);
}

}  // namespace crawlmeter
