// Replaces a file without ever leaving it half-written: the new content goes to a new file in the
// same folder, is flushed to disk, takes the old file's permission bits and is renamed over it.
// Until commit() the target is untouched; a replacement that is not committed removes itself.
// Failures name the target, the file the user knows.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "files/error.h"

namespace crawlmeter {

class ReplacementFile {
 public:
  // Creates the new file beside target; fails when the folder takes no new file.
  static Expected<ReplacementFile> create(const std::string& target);

  ReplacementFile(ReplacementFile&& other) noexcept;
  ReplacementFile& operator=(ReplacementFile&& other) noexcept;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  Error write(std::string_view bytes);
  // Gives the new file the old one's owner and group; fails when the user may not.
  Error keepOwner(uid_t owner, gid_t group);
  // Flushes the content to disk and sets the permission bits.
  Error finish(mode_t mode);
  // Renames the new file over the target; the new file is removed when that fails.
  Error commit();
  void discard();

  // Commits in two steps, for a caller that must be able to take the commit back: swapIn()
  // exchanges the new file and the target in one step, so that the old content stays under the
  // new file's name; then swapBack() gives the target its old content again and discard() removes
  // the new one, or settle() removes the old content. Where the system cannot exchange two names,
  // swapIn() renames the new file over the target and swapBack() can do nothing.
  Error swapIn();
  void swapBack();
  void settle();

  const std::string& target() const { return target_; }

 private:
  ReplacementFile(std::string target, std::string temporary, int fd)
      : target_(std::move(target)), temporary_(std::move(temporary)), fd_(fd) {}
  Error failed(Error::What what) const { return Error::fromErrno(what, target_); }

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  bool swapped_ = false;  // temporary_ holds the target's old content
};

// Writes all of bytes to the open descriptor fd; failures name path.
Error writeAll(int fd, std::string_view bytes, const std::string& path);

// The file an existing path names, following symbolic links.
Expected<std::string> resolveLinks(const std::string& path);

// Whether the user may write path: a path without any write bit counts as read-only even for the
// superuser, who could write it anyway.
bool mayWrite(const std::string& path);

// The folder a path lies in ("." for a bare name).
std::string folderOf(const std::string& path);

// Whether the folder of path has room for bytes more, keeping a margin for the other programs
// writing there (a web server among them).
bool hasRoomFor(const std::string& path, std::uint64_t bytes);

}  // namespace crawlmeter
