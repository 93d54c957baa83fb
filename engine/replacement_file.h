// Replaces a file without ever leaving it half-written: the new content goes to a new file in the
// same folder, is flushed to disk, takes the old file's permission bits and is renamed over it.
// Until commit() the target is untouched; a replacement that is not committed removes itself.
#pragma once

#include <sys/types.h>

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
  // Flushes the content to disk and sets the permission bits (and, when allowed, the owner).
  bool finish(mode_t mode, uid_t owner, gid_t group);
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

// Writes bytes to path through a ReplacementFile; an existing file keeps its permission bits.
// Returns the system's reason on failure, and then path is as it was.
std::optional<std::string> replaceFileContent(const std::string& path, std::string_view bytes);

}  // namespace crawlmeter
