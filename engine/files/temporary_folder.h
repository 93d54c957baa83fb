// A private folder in the system's temporary folder for a run's scratch files: made on first use,
// and removed with everything in it when the run lets go of it, however the run ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

#include "base/error.h"

namespace crawlmeter {

class TemporaryFolder {
 public:
  // Where the folder goes: the system's temporary folder ($TMPDIR, or /tmp; on Windows %TMP%)
  // when parent is empty.
  explicit TemporaryFolder(std::filesystem::path parent = {}) : parent_(std::move(parent)) {}
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // A path in the folder that no other call returns (the folder is made, readable by this user
  // only, on the first call). Safe to call from several threads.
  Expected<std::filesystem::path> newFilePath();

 private:
  Error make();

  std::filesystem::path parent_;
  std::mutex mutex_;
  std::filesystem::path folder_;  // empty until made
  std::atomic<std::uint64_t> files_{0};
};

}  // namespace crawlmeter
