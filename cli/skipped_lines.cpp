// The skipped-lines notice.
#include "skipped_lines.h"

namespace crawlmeter {

std::string groupedCount(std::uint64_t count) {
  std::string digits = std::to_string(count);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits;
}

std::string skippedLinesNotice(std::span<const std::string> names,
                               std::span<const LineTally> tallies, const Wording& wording) {
  std::string notice;
  for (std::size_t file = 0; file < names.size() && file < tallies.size(); ++file) {
    const LineTally& tally = tallies[file];
    if (tally.notUnderstood * 100 <= tally.read) continue;
    notice += Message(translatable("%s: %s lines not understood (of %s lines)"), names[file],
                      groupedCount(tally.notUnderstood), groupedCount(tally.read))
                  .text(wording);
    notice += '\n';
  }
  return notice;
}

}  // namespace crawlmeter
