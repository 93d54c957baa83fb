// The converted copy: begun at the first bare LF (the bytes before it, which hold no LF, are copied
// as they are), fed every later chunk, and dropped silently at the first failure.
#include "line_end_rewrite.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace crawlmeter {
namespace {

// Whether the user may write path; a path without any write bit counts as read-only even for the
// superuser, who could write it anyway.
bool isWritable(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) != 0 &&
         access(path.c_str(), W_OK) == 0;
}

// Rewriting a file with several names would split them; a file or folder the user may not write
// is not the program's to change.
bool mayRewrite(const LogFile& file, const std::string& target) {
  if (target.empty() || file.links() != 1) return false;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  return isWritable(target) && isWritable(folder);
}

}  // namespace

void PendingRewrite::commit() {
  if (currentIdentity(copy.target()) == original) {
    copy.commit();
  } else {
    copy.discard();
  }
}

LineEndRewrite::LineEndRewrite(LogFile& file, std::string target)
    : file_(file), target_(std::move(target)), possible_(mayRewrite(file, target_)) {}

bool LineEndRewrite::write(std::string_view bytes) {
  converted_.clear();
  converter_.convert(bytes, converted_);
  if (copy_->write(converted_)) return true;
  copy_.reset();
  possible_ = false;
  return false;
}

bool LineEndRewrite::start(std::uint64_t prefixLength) {
  std::string error;
  copy_ = ReplacementFile::create(target_, &error);
  if (!copy_) return possible_ = false;
  std::vector<char> buffer(1 << 16);
  for (std::uint64_t offset = 0; offset < prefixLength;) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), prefixLength - offset));
    const std::optional<std::size_t> got = file_.readAt(buffer.data(), want, offset);
    if (!got || *got == 0 || !write(std::string_view(buffer.data(), *got))) {
      copy_.reset();
      return possible_ = false;
    }
    offset += *got;
  }
  return true;
}

void LineEndRewrite::afterChunk(std::string_view chunk, std::uint64_t offset, LineEnds before,
                                LineEnds after) {
  if (!possible_) return;
  if (!copy_ && !(before == LineEnds::Undecided && after == LineEnds::BareLf)) return;
  if (!copy_ && !start(offset)) return;
  write(chunk);
}

std::optional<PendingRewrite> LineEndRewrite::finish(std::uint64_t bytesRead) {
  if (!copy_) return std::nullopt;
  FileIdentity original = file_.identity();
  if (bytesRead != original.size || !copy_->write(LineEndConverter::kFinalLineEnd) ||
      !copy_->finish(file_.mode(), file_.owner(), file_.group())) {
    return std::nullopt;
  }
  return PendingRewrite{std::move(*copy_), original};
}

}  // namespace crawlmeter
