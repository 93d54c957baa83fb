// Process set-up on Windows: nothing to raise (a process may hold millions of handles) and the
// C runtime's heap keeps freed memory by itself. The environment is read as UTF-16, so that a
// user folder with Chinese in its name arrives whole.
#include "files/process_setup.h"

#include <cstdlib>

#include "files/win32/system.h"

namespace crawlmeter {

void setUpProcessForRuns() {}

void releaseFreedMemory() {}

std::uint64_t physicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return std::uint64_t{1} << 30;
  return status.ullTotalPhys;
}

std::optional<std::string> environmentText(const char* name) {
  const wchar_t* value = _wgetenv(wideText(name).c_str());
  return value != nullptr ? std::optional<std::string>(utf8Text(value)) : std::nullopt;
}

}  // namespace crawlmeter
