// Replaces a file without ever leaving it half-written: the new content goes to a new file in the
// same folder, is flushed to disk, takes what the old file had (its permission bits and owner on
// POSIX; its attributes and security on Windows) and takes its name in one step. Until commit()
// the target is untouched; a replacement that is not committed removes itself. Failures name the
// target, the file the user knows.
//
// This folder is the engine's one seam to the system: its headers are the same everywhere, and
// linux/ and win32/ implement them. No other part of the engine calls the system for files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/error.h"
#include "files/system_handle.h"

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
  Error keepOwner(const FileKeeping& kept);
  // Flushes the content to disk and sets the permission bits.
  Error finish(const FileKeeping& kept);
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
  ReplacementFile(std::string target, std::string temporary, SystemHandle handle)
      : target_(std::move(target)), temporary_(std::move(temporary)), handle_(handle) {}
  Error failed(Error::What what) const;

  std::string target_;
  std::string temporary_;
  SystemHandle handle_ = kNoHandle;
  bool swapped_ = false;  // temporary_ holds the target's old content
};

// Writes all of bytes to an open file; failures name path.
Error writeAll(SystemHandle handle, std::string_view bytes, const std::string& path);

// The file an existing path names, following symbolic links.
Expected<std::string> resolveLinks(const std::string& path);

// Whether the user may write path: a path without any write bit counts as read-only even for the
// superuser, who could write it anyway.
bool mayWrite(const std::string& path);

// Creates the folder path (UTF-8) and every missing folder above it; kWrite when one cannot be
// made (a file stands in its way, say). A folder that exists already is no failure.
Error createFolders(const std::string& path);

// The folder a path lies in ("." for a bare name).
std::string folderOf(const std::string& path);

// Whether the folder of path has room for bytes more, keeping a margin for the other programs
// writing there (a web server among them).
bool hasRoomFor(const std::string& path, std::uint64_t bytes);

}  // namespace crawlmeter
