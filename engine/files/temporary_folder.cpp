// The folder's name is drawn from the clock and a counter, and a name already taken is passed
// over: two runs, in one process or in two, never share a folder.
#include "files/temporary_folder.h"

#include <chrono>
#include <system_error>

namespace crawlmeter {
namespace {

constexpr int kNameTries = 100;

std::uint64_t nameSeed() {
  static std::atomic<std::uint64_t> made{0};
  const auto now =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return now ^ (made.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
}

}  // namespace

TemporaryFolder::~TemporaryFolder() {
  if (folder_.empty()) return;
  std::error_code ignored;  // nothing is left to tell of a folder that cannot go
  std::filesystem::remove_all(folder_, ignored);
}

Error TemporaryFolder::make() {
  std::error_code error;
  std::filesystem::path parent = parent_;
  if (parent.empty()) parent = std::filesystem::temp_directory_path(error);
  if (error) return Error::of(Error::What::kTemporary, parent.string(), error.value());
  std::uint64_t seed = nameSeed();
  for (int attempt = 0; attempt < kNameTries; ++attempt, seed = seed * 6364136223846793005ULL + 1) {
    const std::filesystem::path folder =
        parent / ("crawlmeter-" + std::to_string(seed % 100'000'000'000ULL));
    if (std::filesystem::create_directory(folder, error)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, error);
      folder_ = folder;
      return {};
    }
    if (error) return Error::of(Error::What::kTemporary, folder.string(), error.value());
  }
  return Error::of(Error::What::kTemporary, parent.string(), EEXIST);
}

Expected<std::filesystem::path> TemporaryFolder::newFilePath() {
  {
    std::lock_guard lock(mutex_);
    if (folder_.empty()) {
      if (const Error error = make(); error.failed()) return error;
    }
  }
  return folder_ / std::to_string(files_.fetch_add(1));
}

}  // namespace crawlmeter
