// Linux file access for the run.
#include "files/log_file.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace crawlmeter {
namespace {

FileIdentity identityOf(const struct stat& info) {
  return FileIdentity{
      info.st_dev, info.st_ino, static_cast<std::uint64_t>(info.st_size),
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

// Why a file that is there cannot be read as a log: a folder, or something that is not a file.
Error notALog(const std::string& path, mode_t mode) {
  return S_ISDIR(mode) ? Error::of(Error::What::kOpen, path, EISDIR)
                       : Error::of(Error::What::kNotRegular, path);
}

}  // namespace

Expected<LogFile> LogFile::open(const std::string& path) {
  // Opening a device can act on it (a watchdog arms, a tape rewinds): look before opening. The
  // open is non-blocking and takes no terminal, in case the path changed in between.
  struct stat before {};
  if (stat(path.c_str(), &before) != 0) return Error::fromErrno(Error::What::kOpen, path);
  if (!S_ISREG(before.st_mode)) return notALog(path, before.st_mode);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Error::fromErrno(Error::What::kOpen, path);
  LogFile file(path, SystemHandle{fd});
  struct stat info {};
  if (fstat(fd, &info) != 0) return Error::fromErrno(Error::What::kOpen, path);
  if (!S_ISREG(info.st_mode)) return notALog(path, info.st_mode);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  file.identity_ = identityOf(info);
  file.keeping_ = FileKeeping{info.st_mode, info.st_uid, info.st_gid};
  file.links_ = info.st_nlink;
  return file;
}

Expected<LogFile> LogFile::standardInput(const std::string& path) {
  // A descriptor of its own, so that closing it leaves the process's standard input alone.
  const int fd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return Error::fromErrno(Error::What::kOpen, path);
  LogFile file(path, SystemHandle{fd});
  file.readInOrder_ = true;
  struct stat info {};
  if (fstat(fd, &info) == 0) {
    file.identity_ = identityOf(info);
    file.identity_.size = 0;
  }
  return file;
}

LogFile::~LogFile() {
  if (handle_ != kNoHandle) close(static_cast<int>(handle_));
}

Expected<std::size_t> LogFile::readAt(char* buffer, std::size_t size, std::uint64_t offset) const {
  const int fd = static_cast<int>(handle_);
  for (;;) {
    const ssize_t got = readInOrder_ ? ::read(fd, buffer, size)
                                     : ::pread(fd, buffer, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return Error::fromErrno(Error::What::kRead, path_);
  }
}

Expected<FileIdentity> currentIdentity(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return Error::fromErrno(Error::What::kOpen, path);
  return identityOf(info);
}

void allowManyOpenFiles() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace crawlmeter
