// POSIX implementation of the safe replacement: mkstemp in the target's folder, fsync, rename.
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
#include <cstring>
#include <utility>
#include <vector>

namespace crawlmeter {
namespace {

std::string nameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process's file-creation mask, read without changing it (umask() itself would have to set it,
// which no reentrant code may do). 022 when the system does not tell.
mode_t creationMask() {
  FILE* status = std::fopen("/proc/self/status", "re");
  unsigned mask = 022;
  if (status != nullptr) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    std::fclose(status);
  }
  return static_cast<mode_t>(mask);
}

// Room kept free beside a converted copy or an export: a tenth of what is written, and at least
// 64 MiB, so that the copy never takes the last of a disk that a server logs to.
constexpr std::uint64_t kSmallestFreeMargin = 64ULL << 20;
constexpr std::uint64_t kFreeMarginDivisor = 10;

// Writes bytes over path's content in place: the file keeps its identity, owner and links.
std::optional<std::string> writeInPlace(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::string(std::strerror(errno));
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      const std::string reason = std::strerror(errno);
      close(fd);
      return reason;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  if (fsync(fd) != 0 || close(fd) != 0) return std::string(std::strerror(errno));
  return std::nullopt;
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool mayWrite(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) != 0 &&
         access(path.c_str(), W_OK) == 0;
}

bool hasRoomFor(const std::string& path, std::uint64_t bytes) {
  struct statvfs disk {};
  if (statvfs(folderOf(path).c_str(), &disk) != 0) return false;
  const std::uint64_t available = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
  const std::uint64_t margin = std::max(kSmallestFreeMargin, bytes / kFreeMarginDivisor);
  return available >= bytes + margin;
}

// A symbolic link stays a link: its target is what gets replaced.
std::string resolveLinks(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::optional<ReplacementFile> ReplacementFile::create(const std::string& target,
                                                       std::string* error) {
  const std::string folder = folderOf(target);
  std::string pattern = folder + "/." + nameOf(target) + ".crawlmeter-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    *error = std::strerror(errno);
    return std::nullopt;
  }
  return ReplacementFile(target, std::string(name.data()), fd);
}

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      fd_(std::exchange(other.fd_, -1)),
      error_(std::move(other.error_)) {}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& other) noexcept {
  if (this != &other) {
    discard();
    target_ = std::move(other.target_);
    temporary_ = std::exchange(other.temporary_, {});
    fd_ = std::exchange(other.fd_, -1);
    error_ = std::move(other.error_);
  }
  return *this;
}

ReplacementFile::~ReplacementFile() { discard(); }

bool ReplacementFile::fail() {
  error_ = std::strerror(errno);
  return false;
}

bool ReplacementFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool ReplacementFile::keepOwner(uid_t owner, gid_t group) {
  return fchown(fd_, owner, group) == 0 || fail();
}

bool ReplacementFile::finish(mode_t mode) {
  if (fchmod(fd_, mode & 07777) != 0 || fsync(fd_) != 0) return fail();
  const int fd = std::exchange(fd_, -1);
  return close(fd) == 0 || fail();
}

bool ReplacementFile::commit() {
  if (fd_ >= 0 || rename(temporary_.c_str(), target_.c_str()) != 0) {
    if (fd_ < 0) fail();
    discard();
    return false;
  }
  temporary_.clear();
  const std::string folder = folderOf(target_);
  const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {  // makes the rename itself durable; a failure here loses nothing
    fsync(folderFd);
    close(folderFd);
  }
  return true;
}

void ReplacementFile::discard() {
  if (fd_ >= 0) close(std::exchange(fd_, -1));
  if (!temporary_.empty()) unlink(std::exchange(temporary_, {}).c_str());
}

std::optional<std::string> replaceFileContent(const std::string& path, std::string_view bytes) {
  const std::string target = resolveLinks(path);
  struct stat old {};
  const bool exists = stat(target.c_str(), &old) == 0;
  if (exists && S_ISREG(old.st_mode) && !mayWrite(target))
    return std::string(std::strerror(EACCES));
  std::string error;
  std::optional<ReplacementFile> file = ReplacementFile::create(target, &error);
  if (!file) return error;
  if (exists && S_ISREG(old.st_mode) && !file->keepOwner(old.st_uid, old.st_gid)) {
    file->discard();
    return writeInPlace(target, bytes);
  }
  const mode_t mode = exists ? old.st_mode : (0666 & ~creationMask());
  if (!file->write(bytes) || !file->finish(mode) || !file->commit()) return file->error();
  return std::nullopt;
}

}  // namespace crawlmeter
