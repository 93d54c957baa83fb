// Fuzz target: arbitrary lines through the JSON-lines reader, with the built-in keys or (when the
// first byte is odd) the user's keys the first line spells. Checks that a line reads the same
// twice, and with blanks after it, so that nothing of one line lingers into the next, and that a
// record always has an address, others that end at a value's end, and an agent exactly when its
// keys name one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "logformat/json_reader.h"

namespace crawlmeter {
namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void checkSame(LineKind kind, const RecordFields& fields, LineKind againKind,
               const RecordFields& again) {
  check(kind == againKind);
  if (kind != LineKind::kRecord) return;
  check(fields.address == again.address);
  check(fields.time == again.time);
  check(fields.others == again.others);
  check(fields.hasAgent == again.hasAgent && fields.agent == again.agent);
}

void readLine(JsonReader& reader, bool namesAgent, std::string_view line) {
  if (line.empty() || line.size() > kLongestRecordBytes - 2) return;
  RecordFields fields, again, padded;
  const LineKind kind = reader.read(line, fields);
  check(kind != LineKind::kDirective);
  if (kind == LineKind::kRecord) {
    check(!fields.address.empty());
    check(fields.others.empty() || fields.others.back() == '\t');
    check(fields.hasAgent == namesAgent && fields.shape == OthersShape::kFields);
  }
  checkSame(kind, fields, reader.read(line, again), again);
  checkSame(kind, fields, reader.read(std::string(line) + " \t", padded), padded);
}

}  // namespace
}  // namespace crawlmeter

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace crawlmeter;
  if (size < 1) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::unique_ptr<JsonReader> reader;
  bool namesAgent = true;  // every built-in key set does
  if (data[0] % 2 == 1) {
    const std::size_t end = bytes.find('\n');
    Message problem;
    const auto keys = parseJsonKeys(bytes.substr(0, end), &problem);
    check(keys.has_value() == problem.empty());
    if (!keys) return 0;
    reader = std::make_unique<JsonReader>(*keys);
    namesAgent = keys->agent.has_value();
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  } else {
    reader = std::make_unique<JsonReader>();
  }
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    readLine(*reader, namesAgent, bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
  return 0;
}
