// The command's progress on long runs: one line on standard error, redrawn in place, with the
// bytes read of the total (where the sizes are known), the rate and the time left.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "base/wording.h"

namespace crawlmeter {

enum class ProgressChoice { kAuto, kAlways, kNever };

// The line for done of total bytes after seconds, in wording's language; total 0 means unknown.
std::string progressText(std::uint64_t done, std::uint64_t total, double seconds,
                         const Wording& wording);

class ProgressBar {
 public:
  // kAuto shows the bar once a run has lasted kQuietTime, and only on a terminal; kAlways shows
  // it from the start wherever standard error goes.
  ProgressBar(ProgressChoice choice, bool standardErrorIsTerminal, const Wording& wording);
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void update(std::uint64_t done, std::uint64_t total);
  // Clears the line, so that what follows starts on a clean one.
  void finish();

  static constexpr std::chrono::milliseconds kQuietTime{1000};
  static constexpr std::chrono::milliseconds kRedrawInterval{100};

 private:
  using Clock = std::chrono::steady_clock;
  void draw(const std::string& text);

  const Wording& wording_;
  bool enabled_;
  bool waits_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastDraw_{};
  std::size_t drawnWidth_ = 0;
};

}  // namespace crawlmeter
