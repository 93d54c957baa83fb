// Listing a folder with the Windows API, its names converted from UTF-16.
#include "files/folder_listing.h"

#include <algorithm>

#include "files/win32/system.h"

namespace crawlmeter {

Expected<std::vector<std::string>> folderEntries(const std::string& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((widePath(path) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      return std::vector<std::string>();
    }
    return Error::of(Error::What::kOpen, path, static_cast<int>(code));
  }
  std::vector<std::string> names;
  DWORD code = 0;
  for (;;) {
    const std::string name = utf8Text(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
    if (!FindNextFileW(search, &found)) {
      code = GetLastError();
      break;
    }
  }
  FindClose(search);
  if (code != ERROR_NO_MORE_FILES) {
    return Error::of(Error::What::kRead, path, static_cast<int>(code));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace crawlmeter
