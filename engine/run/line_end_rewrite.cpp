// The converted copy: begun at the first bare LF (the bytes before it, which hold no LF, are copied
// as they are), fed every later chunk, and dropped silently at the first failure.
#include "run/line_end_rewrite.h"

#include <vector>

#include "files/lease.h"

namespace crawlmeter {
namespace {

// Rewriting a file with several names would split them; a file or folder the user may not write
// is not the program's to change.
bool mayRewrite(const LogFile& log, const std::string& target) {
  return !target.empty() && log.links() == 1 && mayWrite(target) && mayWrite(folderOf(target));
}

// The bytes before the first bare LF are copied in reads of this size.
constexpr std::size_t kPrefixReadBytes = 1 << 16;

}  // namespace

// A server that still has its log open would go on writing to the old file after the rename, so
// the log is replaced only under a lease. A program that looked the log up just before the swap
// waits for the lease on the old file: the lease is asked again after the swap, and when it was
// broken the log gets its old content back before that program goes on.
void PendingRewrite::commit(const WhileLeased& whileLeased) {
  WriteLease lease(*log);
  const Expected<FileIdentity> now = currentIdentity(copy.target());
  if (!lease.held() || now.failed() || *now != log->identity()) {
    lease.release();  // a program waiting to open the log goes on at once
    copy.discard();
    return;
  }
  if (whileLeased) whileLeased(copy.target());
  // A copy that cannot take the log's place is removed: the log is as it was, counted the same.
  if (copy.swapIn().failed()) return;
  const bool alone = lease.held();
  if (!alone) copy.swapBack();
  lease.release();
  if (alone) {
    copy.settle();
  } else {
    copy.discard();
  }
}

LineEndRewrite::LineEndRewrite(std::shared_ptr<const LogFile> log, std::string target)
    : log_(std::move(log)), target_(std::move(target)), possible_(mayRewrite(*log_, target_)) {}

bool LineEndRewrite::write(std::string_view bytes) {
  converted_.clear();
  converter_.convert(bytes, converted_);
  const Error error = copy_->write(converted_);
  if (error.failed()) {
    copy_.reset();
    possible_ = false;
  }
  return error.ok();
}

bool LineEndRewrite::start(std::uint64_t prefixLength) {
  if (!hasRoomFor(target_, log_->identity().size)) return possible_ = false;
  Expected<ReplacementFile> copy = ReplacementFile::create(target_);
  if (copy.failed()) return possible_ = false;
  copy_.emplace(std::move(*copy));
  std::vector<char> buffer(kPrefixReadBytes);
  std::uint64_t copied = 0;
  const Error error =
      log_->readChunks(buffer, 0, prefixLength, [&](std::string_view bytes, std::uint64_t) {
        copied += bytes.size();
        return write(bytes);
      });
  if (error.ok() && copied == prefixLength) return true;
  copy_.reset();
  return possible_ = false;
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
  if (bytesRead != log_->identity().size ||
      copy_->write(LineEndConverter::kFinalLineEnd).failed() ||
      copy_->keepOwner(log_->keeping()).failed() || copy_->finish(log_->keeping()).failed()) {
    return std::nullopt;
  }
  return PendingRewrite{std::move(*copy_), log_};
}

}  // namespace crawlmeter
