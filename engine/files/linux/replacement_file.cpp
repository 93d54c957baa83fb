// Linux implementation of the safe replacement: mkstemp in the target's folder, fsync, rename.
#include "files/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "files/system_space.h"

namespace crawlmeter {
namespace {

int fdOf(SystemHandle handle) { return static_cast<int>(handle); }

std::string nameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The new file is named after the target, ".NAME.crawlmeter-XXXXXX"; a long name is cut so that
// the whole stays within the 255 bytes a file name may have.
constexpr std::size_t kLongestNamePart = 200;

void syncFolderOf(const std::string& path) {
  const int folderFd = open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {  // makes a rename durable; a failure here loses nothing
    fsync(folderFd);
    close(folderFd);
  }
}

}  // namespace

Error writeAll(SystemHandle handle, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(static_cast<int>(handle), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return Error::fromErrno(Error::What::kWrite, path);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return Error();
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::uint64_t> freeBytesIn(const std::string& folder) {
  struct statvfs disk {};
  if (statvfs(folder.c_str(), &disk) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
}

bool mayWrite(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) != 0 &&
         access(path.c_str(), W_OK) == 0;
}

// A symbolic link stays a link: its target is what gets replaced.
Expected<std::string> resolveLinks(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) {
    return Error::fromErrno(Error::What::kOpen, path);
  }
  return std::string(resolved);
}

Expected<ReplacementFile> ReplacementFile::create(const std::string& target) {
  const std::string pattern =
      folderOf(target) + "/." + nameOf(target).substr(0, kLongestNamePart) + ".crawlmeter-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return Error::fromErrno(Error::What::kOpen, target);
  return ReplacementFile(target, std::string(name.data()), SystemHandle{fd});
}

Error ReplacementFile::failed(Error::What what) const { return Error::fromErrno(what, target_); }

Error ReplacementFile::write(std::string_view bytes) { return writeAll(handle_, bytes, target_); }

Error ReplacementFile::keepOwner(const FileKeeping& kept) {
  return fchown(fdOf(handle_), kept.owner, kept.group) == 0 ? Error() : failed(Error::What::kWrite);
}

Error ReplacementFile::finish(const FileKeeping& kept) {
  if (fchmod(fdOf(handle_), kept.mode & 07777) != 0 || fsync(fdOf(handle_)) != 0)
    return failed(Error::What::kWrite);
  const int fd = fdOf(handle_);
  handle_ = kNoHandle;
  return close(fd) == 0 ? Error() : failed(Error::What::kWrite);
}

Error ReplacementFile::commit() {
  if (handle_ != kNoHandle || rename(temporary_.c_str(), target_.c_str()) != 0) {
    const Error error = handle_ != kNoHandle ? Error::of(Error::What::kReplace, target_, EBADF)
                                             : failed(Error::What::kReplace);
    discard();
    return error;
  }
  temporary_.clear();
  syncFolderOf(target_);
  return Error();
}

Error ReplacementFile::swapIn() {
#if defined(RENAME_EXCHANGE)
  if (handle_ == kNoHandle &&
      renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
    swapped_ = true;
    return Error();
  }
  // A file system that cannot exchange names (EINVAL) is replaced the plain way.
  if (handle_ == kNoHandle && errno != EINVAL && errno != ENOSYS) {
    const Error error = failed(Error::What::kReplace);
    discard();
    return error;
  }
#endif
  return commit();
}

void ReplacementFile::swapBack() {
#if defined(RENAME_EXCHANGE)
  if (swapped_ &&
      renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
    swapped_ = false;
  }
#endif
}

void ReplacementFile::settle() {
  if (!swapped_) return;
  unlink(std::exchange(temporary_, {}).c_str());
  swapped_ = false;
  syncFolderOf(target_);
}

// After a swap that was not taken back, the old content stays: the user's file, whatever else.
void ReplacementFile::discard() {
  if (handle_ != kNoHandle) close(static_cast<int>(std::exchange(handle_, kNoHandle)));
  if (swapped_) return;
  if (!temporary_.empty()) unlink(std::exchange(temporary_, {}).c_str());
}

}  // namespace crawlmeter
