// Replaces a file without ever leaving it half-written: the new content goes to a new file in the
// same folder, is flushed to disk, takes the old file's permission bits and is renamed over it.
// Until commit() the target is untouched; a replacement that is not committed removes itself.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace crawlmeter {

class ReplacementFile {
 public:
  // Creates the new file beside target; nullopt with *error set when the folder takes no file.
  static std::optional<ReplacementFile> create(const std::string& target, std::string* error);

  ReplacementFile(ReplacementFile&& other) noexcept;
  ReplacementFile& operator=(ReplacementFile&& other) noexcept;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  bool write(std::string_view bytes);
  // Gives the new file the old one's owner and group; false when the user may not.
  bool keepOwner(uid_t owner, gid_t group);
  // Flushes the content to disk and sets the permission bits.
  bool finish(mode_t mode);
  // Renames the new file over the target.
  bool commit();
  void discard();

  const std::string& target() const { return target_; }
  // The system's reason for the last failure.
  const std::string& error() const { return error_; }

 private:
  ReplacementFile(std::string target, std::string temporary, int fd)
      : target_(std::move(target)), temporary_(std::move(temporary)), fd_(fd) {}
  bool fail();

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  std::string error_;
};

// The file a path names, following symbolic links (the path itself when it does not exist).
std::string resolveLinks(const std::string& path);

// Whether the user may write path: a path without any write bit counts as read-only even for the
// superuser, who could write it anyway.
bool mayWrite(const std::string& path);

// The folder a path lies in ("." for a bare name).
std::string folderOf(const std::string& path);

// Whether the folder of path has room for bytes more, keeping a margin for the other programs
// writing there (a web server among them).
bool hasRoomFor(const std::string& path, std::uint64_t bytes);

// Writes bytes to path through a ReplacementFile; an existing file keeps its permission bits and
// owner. A file the user may not write is refused. Where the owner cannot be kept (another user's
// file the user may write), the file is written in place instead. Returns the system's reason on
// failure, and then path is as it was (but for a failed write in place).
std::optional<std::string> replaceFileContent(const std::string& path, std::string_view bytes);

}  // namespace crawlmeter
