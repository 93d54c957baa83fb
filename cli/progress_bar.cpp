// Progress drawing: a carriage return and the new text, padded over what the last one showed.
#include "progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace crawlmeter {
namespace {

constexpr int kBarCells = 20;

std::string sizeText(double bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 4) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
  return text;
}

std::string durationText(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

std::string progressText(std::uint64_t done, std::uint64_t total, double seconds,
                         const Wording& wording) {
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  const std::string rateText = sizeText(rate) + "/s";
  if (total == 0) {
    return Message(translatable("%s read  %s"), sizeText(static_cast<double>(done)), rateText)
        .text(wording);
  }
  const double share = done >= total ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const int cells = static_cast<int>(share * kBarCells);
  std::string text(1, '[');
  text.append(cells, '#').append(kBarCells - cells, ' ').append("] ");
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100));
  text += percent;
  text.append("  ").append(sizeText(static_cast<double>(done))).append(" / ");
  text.append(sizeText(static_cast<double>(total))).append("  ").append(rateText);
  if (rate > 0 && done < total) {
    const std::string left = durationText(static_cast<double>(total - done) / rate);
    text.append("  ").append(Message(translatable("%s left"), left).text(wording));
  }
  return text;
}

ProgressBar::ProgressBar(ProgressChoice choice, bool standardErrorIsTerminal,
                         const Wording& wording)
    : wording_(wording),
      enabled_(choice == ProgressChoice::kAlways ||
               (choice == ProgressChoice::kAuto && standardErrorIsTerminal)),
      waits_(choice == ProgressChoice::kAuto) {}

void ProgressBar::update(std::uint64_t done, std::uint64_t total) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (waits_ && now - start_ < kQuietTime) return;
  if (drawnWidth_ != 0 && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  draw(progressText(done, total, std::chrono::duration<double>(now - start_).count(), wording_));
}

void ProgressBar::finish() {
  if (drawnWidth_ == 0) return;
  draw(std::string());
  std::fputc('\r', stderr);
  std::fflush(stderr);
  drawnWidth_ = 0;
}

void ProgressBar::draw(const std::string& text) {
  std::string line = "\r" + text;
  if (text.size() < drawnWidth_) line += std::string(drawnWidth_ - text.size(), ' ');
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  drawnWidth_ = std::max(drawnWidth_, text.size());
}

}  // namespace crawlmeter
