// What replacing a file does the same way on every system.
#include "files/replacement_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "files/system_space.h"

namespace crawlmeter {
namespace {

// Room kept free beside a converted copy or an export: a tenth of what is written, and at least
// 64 MiB, so that the copy never takes the last of a disk that a server logs to.
constexpr std::uint64_t kSmallestFreeMargin = 64ULL << 20;
constexpr std::uint64_t kFreeMarginDivisor = 10;

}  // namespace

Error createFolders(const std::string& path) {
  std::error_code failure;
  std::filesystem::create_directories(std::filesystem::u8path(path), failure);
  return failure ? Error::of(Error::What::kWrite, path, failure.value()) : Error();
}

bool hasRoomFor(const std::string& path, std::uint64_t bytes) {
  const std::optional<std::uint64_t> available = freeBytesIn(folderOf(path));
  const std::uint64_t margin = std::max(kSmallestFreeMargin, bytes / kFreeMarginDivisor);
  return available && *available >= bytes + margin;
}

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      handle_(std::exchange(other.handle_, kNoHandle)),
      swapped_(std::exchange(other.swapped_, false)) {}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& other) noexcept {
  if (this != &other) {
    discard();
    target_ = std::move(other.target_);
    temporary_ = std::exchange(other.temporary_, {});
    handle_ = std::exchange(other.handle_, kNoHandle);
    swapped_ = std::exchange(other.swapped_, false);
  }
  return *this;
}

ReplacementFile::~ReplacementFile() { discard(); }

}  // namespace crawlmeter
