// Fuzz target: the W3C extended log reader on arbitrary lines, directives included. Checks that
// every record holds a valid time, an address without a tab and fields each ended by a tab, and
// that a reader made at any line from the carried "#Fields:" reads the rest (agents too) as the
// first one does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/w3c_reader.h"

namespace {

using crawlmeter::LineKind;
using crawlmeter::RecordFields;

void check(bool condition) {
  if (!condition) std::abort();
}

// The input's lines as a reader gets them: without line ends, never empty, never too long.
std::vector<std::string_view> linesOf(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.size() <= crawlmeter::kLongestRecordBytes) lines.push_back(line);
  }
  return lines;
}

void checkRecord(const RecordFields& fields) {
  const crawlmeter::CivilTime& time = fields.time;
  check(time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31);
  check(time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59);
  check(time.utcOffsetMinutes == 0);
  check(fields.address.find('\t') == std::string::npos);
  check(!fields.others.empty() && fields.others.back() == '\t');
  check(fields.shape == crawlmeter::OthersShape::kFields);
  check(fields.hasAgent || fields.agent.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::vector<std::string_view> lines =
      linesOf(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  const std::size_t splitAt = lines.empty() ? 0 : data[0] % (lines.size() + 1);
  crawlmeter::W3cReader first;
  RecordFields fields, laterFields;
  for (std::size_t i = 0; i < splitAt; ++i) {
    if (first.read(lines[i], fields) == LineKind::kRecord) checkRecord(fields);
  }
  const std::string carried = first.carriedState();
  check(carried.empty() || carried.starts_with("#Fields:") || carried.starts_with("\n#Date:"));
  crawlmeter::W3cReader later(carried);
  for (std::size_t i = splitAt; i < lines.size(); ++i) {
    const LineKind kind = first.read(lines[i], fields);
    check(later.read(lines[i], laterFields) == kind);
    if (kind != LineKind::kRecord) continue;
    checkRecord(fields);
    check(fields.address == laterFields.address && fields.time == laterFields.time &&
          fields.others == laterFields.others && fields.hasAgent == laterFields.hasAgent &&
          fields.agent == laterFields.agent);
  }
  return 0;
}
