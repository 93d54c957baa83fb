// Writing a file the user names as output (the export), without ever changing what kind of thing
// the name stands for:
// - a regular file, or a name not yet taken: replaced whole through a ReplacementFile, keeping
//   its permission bits and owner (its attributes on Windows); a read-only file is refused. On
//   POSIX, another user's file that the user may write is written in place, so that it stays
//   theirs (only then can a failed write, such as a disk error, leave it short).
// - a character device (a terminal, /dev/null; NUL or CON on Windows) or a FIFO or pipe, also
//   through symbolic links: written in place, and it stays what it was. A FIFO that no program
//   reads fails at once.
// - a folder, a socket, a block device: refused, nothing is touched.
// A symbolic link stays a link: what it leads to is written, also a name it leads to that does
// not exist yet.
#pragma once

#include <string>
#include <string_view>

#include "base/error.h"

namespace crawlmeter {

Error writeOutputFile(const std::string& path, std::string_view bytes);

// Writes bytes to the process's standard output as they are; failures name "standard output".
Error writeStandardOutput(std::string_view bytes);

enum class StandardStream { kOutput, kError };

// Whether the process's stream goes to a terminal (on Windows, a console).
bool isTerminal(StandardStream stream);

// Writes UTF-8 text to the process's stream: to a Windows console as characters, so that Chinese
// shows whatever the console's code page; anywhere else as its bytes.
Error writeStandardText(StandardStream stream, std::string_view utf8);

// Whether path names the very file the process's standard output goes to (/dev/stdout, or the
// file standard output was sent to).
bool isStandardOutput(const std::string& path);

// Whether two paths name one file: the same file when both exist (through links too), else the
// same path once ".", ".." and the links of its existing part are resolved.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace crawlmeter
