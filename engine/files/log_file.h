// Reading a log file: opened only when it is a regular file (a FIFO or a device must never make a
// run wait), read in large chunks, and identified so that a later change to it can be noticed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace crawlmeter {

// What tells whether a file changed since it was read.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};

class LogFile {
 public:
  // nullopt when path is not a regular file that can be opened for reading.
  static std::optional<LogFile> open(const std::string& path);

  LogFile(LogFile&& other) noexcept;
  LogFile& operator=(LogFile&&) = delete;
  ~LogFile();

  // Reads up to size bytes at offset; 0 at the end of the file, nullopt on failure.
  std::optional<std::size_t> readAt(char* buffer, std::size_t size, std::uint64_t offset);

  const FileIdentity& identity() const { return identity_; }
  mode_t mode() const { return mode_; }
  uid_t owner() const { return owner_; }
  gid_t group() const { return group_; }
  nlink_t links() const { return links_; }

 private:
  explicit LogFile(int fd) : fd_(fd) {}
  int fd_ = -1;
  FileIdentity identity_;
  mode_t mode_ = 0;
  uid_t owner_ = 0;
  gid_t group_ = 0;
  nlink_t links_ = 0;
};

// The identity of the file at path now (following links); nullopt when it cannot be seen.
std::optional<FileIdentity> currentIdentity(const std::string& path);

}  // namespace crawlmeter
