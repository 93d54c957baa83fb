// The export file: the result text followed by one CR LF, every line break written as CR LF, in
// code page 936 without a byte-order mark. Written so that a failed export never leaves an
// existing file half-written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace crawlmeter {

// The bytes of the export of text (UTF-8), whose line breaks are "\n" (CR LF and a lone CR count
// as line breaks too). A character that code page 936 cannot hold becomes '?'.
std::string exportFileBytes(std::string_view text);

// Writes the export of text to path; the system's reason when it cannot, and then path is as it
// was.
std::optional<std::string> writeExportFile(const std::string& path, std::string_view text);

// What the user is told after an export: a prefix, the path and, on failure, the system's reason
// on a line of its own.
inline constexpr std::string_view kExportSucceededPrefix = "成功导出文件到";
inline constexpr std::string_view kExportFailedPrefix = "导出文件失败：";
std::string exportSucceededMessage(const std::string& path);
std::string exportFailedMessage(const std::string& path, const std::string& reason);

}  // namespace crawlmeter
