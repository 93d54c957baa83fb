// The system's names for an open file and for what a replacement keeps of the file it replaces,
// shared by every part of the files seam.
#pragma once

#include <cstdint>

namespace crawlmeter {

// An open file as the system knows it: a POSIX descriptor, or a Windows HANDLE.
using SystemHandle = std::intptr_t;
inline constexpr SystemHandle kNoHandle = -1;  // also INVALID_HANDLE_VALUE

// What a replacement keeps of the file it replaces, as the system told it when the file was
// opened: its permission bits, owner and group on POSIX. Windows keeps a file's attributes and
// security when it is replaced, so there this stays empty.
struct FileKeeping {
  std::uint32_t mode = 0;
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
};

}  // namespace crawlmeter
