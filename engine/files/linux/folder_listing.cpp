// Listing a folder with POSIX calls.
#include "files/folder_listing.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace crawlmeter {

Expected<std::vector<std::string>> folderEntries(const std::string& path) {
  std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(path.c_str()), closedir);
  if (folder == nullptr) {
    if (errno == ENOENT) return std::vector<std::string>();
    return Error::fromErrno(Error::What::kOpen, path);
  }
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = readdir(folder.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
    errno = 0;
  }
  if (errno != 0) return Error::fromErrno(Error::What::kRead, path);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace crawlmeter
