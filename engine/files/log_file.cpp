// What reading a log does the same way on every system.
#include "files/log_file.h"

#include <algorithm>
#include <utility>

namespace crawlmeter {

LogFile::LogFile(LogFile&& other) noexcept
    : path_(std::move(other.path_)),
      handle_(std::exchange(other.handle_, kNoHandle)),
      readInOrder_(other.readInOrder_),
      identity_(other.identity_),
      keeping_(other.keeping_),
      links_(other.links_) {}

Error LogFile::readChunks(std::span<char> buffer, std::uint64_t begin, std::uint64_t end,
                          const ChunkTaker& take) const {
  for (std::uint64_t offset = begin; offset < end;) {
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), end - offset));
    const Expected<std::size_t> got = readAt(buffer.data(), want, offset);
    if (got.failed()) return got.error();
    if (*got == 0) break;
    if (!take(std::string_view(buffer.data(), *got), offset)) {
      return Error::of(Error::What::kCancelled, path_);
    }
    offset += *got;
  }
  return Error();
}

Expected<std::string> readWhole(const LogFile& file) {
  std::string text(file.identity().size, '\0');
  std::size_t filled = 0;
  while (filled < text.size()) {
    const Expected<std::size_t> read =
        file.readAt(text.data() + filled, text.size() - filled, filled);
    if (read.failed()) return read.error().on(file.path());
    if (*read == 0) break;  // the file shrank meanwhile
    filled += *read;
  }
  text.resize(filled);
  return text;
}

}  // namespace crawlmeter
