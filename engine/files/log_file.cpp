// POSIX file access for the run.
#include "files/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace crawlmeter {
namespace {

FileIdentity identityOf(const struct stat& info) {
  return FileIdentity{
      info.st_dev, info.st_ino, static_cast<std::uint64_t>(info.st_size),
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace

std::optional<LogFile> LogFile::open(const std::string& path) {
  // Opening a device can act on it (a watchdog arms, a tape rewinds): look before opening. The
  // open is non-blocking and takes no terminal, in case the path changed in between.
  struct stat before {};
  if (stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) return std::nullopt;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  LogFile file(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  file.identity_ = identityOf(info);
  file.mode_ = info.st_mode;
  file.owner_ = info.st_uid;
  file.group_ = info.st_gid;
  file.links_ = info.st_nlink;
  return file;
}

LogFile::LogFile(LogFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      identity_(other.identity_),
      mode_(other.mode_),
      owner_(other.owner_),
      group_(other.group_),
      links_(other.links_) {}

LogFile::~LogFile() {
  if (fd_ >= 0) close(fd_);
}

std::optional<std::size_t> LogFile::readAt(char* buffer, std::size_t size, std::uint64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return std::nullopt;
  }
}

std::optional<FileIdentity> currentIdentity(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return identityOf(info);
}

}  // namespace crawlmeter
