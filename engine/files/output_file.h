// Writing a file the user names as output (the export), without ever changing what kind of thing
// the name stands for:
// - a regular file, or a name not yet taken: replaced whole through a ReplacementFile, keeping
//   its permission bits and owner; a read-only file is refused. Another user's file that the
//   user may write is written in place, so that it stays theirs (only then can a failed write,
//   such as a disk error, leave it short).
// - a character device (a terminal, /dev/null) or a FIFO, also through symbolic links: written in
//   place, and it stays what it was. A FIFO that no program reads fails at once.
// - a folder, a socket, a block device: refused, nothing is touched.
// A symbolic link stays a link: what it leads to is written, also a name it leads to that does
// not exist yet.
#pragma once

#include <string>
#include <string_view>

#include "files/error.h"

namespace crawlmeter {

Error writeOutputFile(const std::string& path, std::string_view bytes);

// Writes bytes to the process's standard output; failures name "standard output".
Error writeStandardOutput(std::string_view bytes);

// Whether path names the very file the process's standard output goes to (/dev/stdout, or the
// file standard output was sent to).
bool isStandardOutput(const std::string& path);

// Whether two paths name one file: the same file when both exist (through links too), else the
// same path once ".", ".." and the links of its existing part are resolved.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace crawlmeter
