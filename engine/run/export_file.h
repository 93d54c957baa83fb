// The export file: the result text followed by one CR LF, every line break written as CR LF, in
// code page 936 without a byte-order mark, written to its target by the output rules (a failed
// export never leaves an existing file half-written; a device or FIFO stays what it is).
#pragma once

#include <string>
#include <string_view>

#include "base/error.h"

namespace crawlmeter {

// The bytes of the export of text (UTF-8), whose line breaks are "\n" (CR LF and a lone CR count
// as line breaks too). A character that code page 936 cannot hold becomes '?'.
Expected<std::string> exportFileBytes(std::string_view text);

// Writes the export of text to path; on failure path is as it was (but for another user's file,
// which is written in place: see writeOutputFile).
Error writeExportFile(const std::string& path, std::string_view text);
// Writes the export of text to the process's standard output.
Error writeExportToStandardOutput(std::string_view text);

// What the user is told after an export, in wording's language: the path and, on failure, the
// reason on a line of its own.
std::string exportSucceededMessage(const std::string& path, const Wording& wording);
std::string exportFailedMessage(const std::string& path, const Error& error,
                                const Wording& wording);

}  // namespace crawlmeter
