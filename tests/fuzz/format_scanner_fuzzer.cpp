// Fuzz target: arbitrary bytes read as a log whose format its first line tells (W3C, JSON, vhost
// or positional), cut into arbitrary chunks, with and without a time zone. Checks that the counts,
// the date label and the lines tallied never depend on the chunk sizes, and that no more records
// are counted than lines were read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logformat/file_scanner.h"

namespace crawlmeter {
namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

struct Scanned {
  FileCounts counts;
  std::string label;
  LineTally tally;
};

Scanned scanInChunks(std::string_view bytes, std::size_t chunk, const ReadingChoice& choice) {
  Scanned result;
  RecordCounter counter;
  FileScanner scanner(UnitStart{}, choice, counter, result.counts, nullptr);
  for (std::size_t at = 0; at < bytes.size(); at += chunk) scanner.feed(bytes.substr(at, chunk));
  scanner.finish();
  const Expected<std::string> label = scanner.dateLabel();
  result.label = label.ok() ? *label : "?";
  result.tally = scanner.tally();
  return result;
}

}  // namespace
}  // namespace crawlmeter

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace crawlmeter;
  if (size < 2) return 0;
  const std::size_t chunk = 1 + data[0] % 61;
  ReadingChoice choice;
  if (data[1] % 2 == 1) choice.timeZone = TimeZone::fixed(data[1] % 3 == 0 ? 480 : -330);
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  const Scanned whole = scanInChunks(bytes, bytes.size() + 1, choice);
  const Scanned pieces = scanInChunks(bytes, chunk, choice);
  check(whole.counts == pieces.counts && whole.label == pieces.label &&
        whole.tally == pieces.tally);
  check(whole.tally.notUnderstood <= whole.tally.read);
  Count views = 0;
  for (int hour = 0; hour < kHourSlots; ++hour) views += whole.counts.at(StatCategory::Pv, hour);
  check(static_cast<std::uint64_t>(views) <= whole.tally.read);
  return 0;
}
