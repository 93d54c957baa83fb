// Reading a log file: opened only when it is a regular file (a FIFO or a device must never make a
// run wait), read at offsets in large chunks by any number of threads at once, and identified so
// that a later change to it can be noticed. A run reads every log through the one LogFile it
// opened, so the file counted is the file that was planned, whatever happens to its name.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "base/error.h"
#include "files/system_handle.h"

namespace crawlmeter {

// What tells whether a file changed since it was read.
struct FileIdentity {
  std::uint64_t device = 0;  // the device, or the volume's serial number
  std::uint64_t inode = 0;   // the inode, or the file's index on its volume
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};

// An end offset that reads on to the end of the file, however long it has grown.
inline constexpr std::uint64_t kToEndOfFile = std::numeric_limits<std::uint64_t>::max();

class LogFile {
 public:
  // Fails with kNotRegular for anything but a regular file (a folder gives EISDIR).
  static Expected<LogFile> open(const std::string& path);
  // The process's standard input, whatever it is (a pipe, a file, a terminal), read in order from
  // where it stands; named path in messages. Its size is unknown (0).
  static Expected<LogFile> standardInput(const std::string& path);

  LogFile(LogFile&& other) noexcept;
  LogFile& operator=(LogFile&&) = delete;
  ~LogFile();

  // Reads up to size bytes at offset; 0 at the end of the file. A file read in order (standard
  // input) ignores offset: its callers read it once, from its start to its end.
  Expected<std::size_t> readAt(char* buffer, std::size_t size, std::uint64_t offset) const;
  bool readInOrder() const { return readInOrder_; }

  // Reads bytes [begin, end) in chunks of the buffer's size and hands each to take with its
  // offset, until the end of the file or until take returns false (then kCancelled).
  using ChunkTaker = std::function<bool(std::string_view chunk, std::uint64_t offset)>;
  Error readChunks(std::span<char> buffer, std::uint64_t begin, std::uint64_t end,
                   const ChunkTaker& take) const;

  const std::string& path() const { return path_; }
  const FileIdentity& identity() const { return identity_; }
  // What a replacement of the log keeps of it.
  const FileKeeping& keeping() const { return keeping_; }
  std::uint64_t links() const { return links_; }
  // The system's handle (a descriptor, or a Windows HANDLE), for a lease on the file.
  SystemHandle handle() const { return handle_; }

 private:
  LogFile(std::string path, SystemHandle handle) : path_(std::move(path)), handle_(handle) {}

  std::string path_;
  SystemHandle handle_ = kNoHandle;
  bool readInOrder_ = false;
  FileIdentity identity_;
  FileKeeping keeping_;
  std::uint64_t links_ = 0;
};

// All the bytes of an open file that is small enough to hold in memory (a catalogue, a ranges
// file, a cache): as many as its identity's size, fewer when it shrinks while read.
Expected<std::string> readWhole(const LogFile& file);

// The identity of the file at path now (following links); kOpen when it cannot be seen.
Expected<FileIdentity> currentIdentity(const std::string& path);

// Raises the process's limit of open files as far as the system allows: a run holds every log
// it counts open until it ends. For a program's main(), before any thread starts.
void allowManyOpenFiles();

}  // namespace crawlmeter
