// Linux implementation of the output rules: the kind of the target decides, looked at before it
// is opened, and checked again on the open descriptor.
#include "files/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "files/replacement_file.h"

namespace crawlmeter {
namespace {

constexpr char kStandardOutput[] = "standard output";
// The most links followed to a name that does not exist yet, as the system follows them.
constexpr int kMostLinksFollowed = 40;

// The process's file-creation mask, read without changing it (umask() itself would have to set
// it, which no reentrant code may do). 022 when the system does not tell.
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

// A reader that goes away while a FIFO is written raises SIGPIPE, which would end the process:
// for as long as this lives, the calling thread holds the signal back and then drops it.
class PipeSignalHeldBack {
 public:
  PipeSignalHeldBack() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
  }
  ~PipeSignalHeldBack() {
    sigset_t pending;
    sigpending(&pending);
    const timespec now{0, 0};
    if (!sigismember(&before_, SIGPIPE) && sigismember(&pending, SIGPIPE)) {
      sigtimedwait(&pipe_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &before_, nullptr);
  }
  PipeSignalHeldBack(const PipeSignalHeldBack&) = delete;
  PipeSignalHeldBack& operator=(const PipeSignalHeldBack&) = delete;

 private:
  sigset_t pipe_;
  sigset_t before_;
};

// Writes a character device or a FIFO in place.
Error writeInPlace(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENXIO ? Error::of(Error::What::kNoReader, path, ENXIO)
                          : Error::fromErrno(Error::What::kOpen, path);
  }
  struct stat info {};
  Error error;
  if (fstat(fd, &info) != 0) {
    error = Error::fromErrno(Error::What::kOpen, path);
  } else if (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode)) {
    error = Error::of(Error::What::kChanged, path);
  } else {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const PipeSignalHeldBack heldBack;
    error = writeAll(SystemHandle{fd}, bytes, path);
  }
  if (close(fd) != 0 && error.ok()) error = Error::fromErrno(Error::What::kWrite, path);
  return error;
}

// Writes an existing regular file in place: it keeps its identity, owner and links. It cannot be
// kept whole through a failed write, so a disk without room for it is refused before it is
// emptied.
Error overwriteInPlace(const std::string& path, std::string_view bytes) {
  if (!hasRoomFor(path, bytes.size())) return Error::of(Error::What::kWrite, path, ENOSPC);
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Error::fromErrno(Error::What::kOpen, path);
  struct stat info {};
  Error error;
  if (fstat(fd, &info) != 0) {
    error = Error::fromErrno(Error::What::kOpen, path);
  } else if (!S_ISREG(info.st_mode)) {
    error = Error::of(Error::What::kChanged, path);
  } else if (ftruncate(fd, 0) != 0) {
    error = Error::fromErrno(Error::What::kWrite, path);
  } else {
    error = writeAll(SystemHandle{fd}, bytes, path);
  }
  if (error.ok() && fsync(fd) != 0) error = Error::fromErrno(Error::What::kWrite, path);
  if (close(fd) != 0 && error.ok()) error = Error::fromErrno(Error::What::kWrite, path);
  return error;
}

// Replaces a regular file (info set) or creates a new one (info null) at target.
Error replaceRegularFile(const std::string& target, const struct stat* info,
                         std::string_view bytes) {
  if (info != nullptr && !mayWrite(target)) return Error::of(Error::What::kReadOnly, target);
  Expected<ReplacementFile> file = ReplacementFile::create(target);
  if (file.failed()) return file.error();
  // Another user's file that the user may write: the copy could not be theirs, so it stays theirs
  // and is written in place.
  if (info != nullptr && file->keepOwner(FileKeeping{0, info->st_uid, info->st_gid}).failed()) {
    file->discard();
    return overwriteInPlace(target, bytes);
  }
  const mode_t mode = info != nullptr ? info->st_mode : (0666 & ~creationMask());
  if (Error error = file->write(bytes); error.failed()) return error;
  if (Error error = file->finish(FileKeeping{mode, 0, 0}); error.failed()) return error;
  return file->commit();
}

// The name a chain of symbolic links from path ends in when that name does not exist yet (path
// itself when it is no link).
Expected<std::string> nameLinksLeadTo(std::string path) {
  for (int followed = 0; followed <= kMostLinksFollowed; ++followed) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    if (length < 0) return path;
    const std::string next(target, static_cast<std::size_t>(length));
    path = !next.empty() && next.front() == '/' ? next : folderOf(path) + "/" + next;
  }
  return Error::of(Error::What::kOpen, path, ELOOP);
}

}  // namespace

Error writeOutputFile(const std::string& path, std::string_view bytes) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) return Error::fromErrno(Error::What::kOpen, path);
    const Expected<std::string> target = nameLinksLeadTo(path);
    return target.ok() ? replaceRegularFile(*target, nullptr, bytes) : target.error();
  }
  if (S_ISREG(info.st_mode)) {
    const Expected<std::string> target = resolveLinks(path);
    return target.ok() ? replaceRegularFile(*target, &info, bytes) : target.error();
  }
  if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) return writeInPlace(path, bytes);
  if (S_ISDIR(info.st_mode)) return Error::of(Error::What::kOpen, path, EISDIR);
  return Error::of(Error::What::kNotWritable, path);
}

Error writeStandardOutput(std::string_view bytes) {
  return writeAll(SystemHandle{STDOUT_FILENO}, bytes, kStandardOutput);
}

bool isTerminal(StandardStream stream) {
  return isatty(stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO) != 0;
}

Error writeStandardText(StandardStream stream, std::string_view utf8) {
  if (stream == StandardStream::kOutput) return writeStandardOutput(utf8);
  return writeAll(SystemHandle{STDERR_FILENO}, utf8, "standard error");
}

bool isStandardOutput(const std::string& path) {
  struct stat target {
  }, output{};
  return stat(path.c_str(), &target) == 0 && fstat(STDOUT_FILENO, &output) == 0 &&
         target.st_dev == output.st_dev && target.st_ino == output.st_ino;
}

bool sameFile(const std::string& first, const std::string& second) {
  struct stat one {
  }, other{};
  if (stat(first.c_str(), &one) == 0 && stat(second.c_str(), &other) == 0)
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
  std::error_code failedFirst, failedSecond;
  const std::filesystem::path a = std::filesystem::weakly_canonical(first, failedFirst);
  const std::filesystem::path b = std::filesystem::weakly_canonical(second, failedSecond);
  return failedFirst || failedSecond ? first == second : a == b;
}

}  // namespace crawlmeter
