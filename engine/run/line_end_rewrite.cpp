// The converted copy: begun at the first bare LF (the bytes before it, which hold no LF, are copied
// as they are), fed every later chunk, and dropped silently at the first failure.
#include "run/line_end_rewrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace crawlmeter {
namespace {

// Rewriting a file with several names would split them; a file or folder the user may not write
// is not the program's to change.
bool mayRewrite(const LogFile& file, const std::string& target) {
  return !target.empty() && file.links() == 1 && mayWrite(target) && mayWrite(folderOf(target));
}

// Holds a write lease on a file for as long as it lives: the kernel grants one only while no
// other process has the file open, so a server that still has its log open (and would go on
// writing to the old file after a rename) keeps the log unconverted.
class NoOtherOpener {
 public:
  explicit NoOtherOpener(const std::string& path)
      : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {
#if defined(F_SETLEASE)
    held_ = fd_ >= 0 && fcntl(fd_, F_SETLEASE, F_WRLCK) == 0;
#else
    held_ = fd_ >= 0;  // no leases here: only the identity check guards the rename
#endif
  }
  ~NoOtherOpener() {
    if (fd_ < 0) return;
#if defined(F_SETLEASE)
    if (held_) fcntl(fd_, F_SETLEASE, F_UNLCK);
#endif
    close(fd_);
  }
  NoOtherOpener(const NoOtherOpener&) = delete;
  NoOtherOpener& operator=(const NoOtherOpener&) = delete;

  bool held() const { return held_; }

 private:
  int fd_;
  bool held_ = false;
};

}  // namespace

void PendingRewrite::commit() {
  const NoOtherOpener lease(copy.target());
  if (lease.held() && currentIdentity(copy.target()) == original) {
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
  if (!hasRoomFor(target_, file_.identity().size)) return possible_ = false;
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
      !copy_->keepOwner(file_.owner(), file_.group()) || !copy_->finish(file_.mode())) {
    return std::nullopt;
  }
  return PendingRewrite{std::move(*copy_), original};
}

}  // namespace crawlmeter
