// Fuzz target: a user's own log format and lines read with it, and the vhost and positional
// readers on the same lines. Input: the format, a NUL byte, then lines separated by '\n'.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/wording.h"
#include "logformat/positional_readers.h"
#include "logformat/template_reader.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void checkTime(const crawlmeter::CivilTime& time) {
  check(time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31);
  check(time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59);
  check(!time.utcOffsetMinutes ||
        (*time.utcOffsetMinutes > -24 * 60 - 60 && *time.utcOffsetMinutes < 100 * 60));
}

// A record's address is text of the line, and decoding never makes a field longer than the line.
void checkRecord(std::string_view line, const crawlmeter::RecordFields& fields, std::size_t count) {
  check(line.find(fields.address) != std::string_view::npos);
  check(fields.others.size() <= line.size() + count);
  check(fields.agent.size() <= line.size() && (fields.hasAgent || fields.agent.empty()));
  checkTime(fields.time);
}

// Positional lines keep their agents in their rest.
void checkPositionalRest(const crawlmeter::RecordFields& fields) {
  check(fields.shape == crawlmeter::OthersShape::kPositionalRest && !fields.hasAgent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return 0;
  crawlmeter::Message problem;
  auto format = crawlmeter::parseLogTemplate(input.substr(0, nul), &problem);
  check(format.has_value() == problem.empty());
  const std::size_t count = format ? format->fields.size() : 0;
  const bool namesAgent =
      format && std::any_of(format->fields.begin(), format->fields.end(), [](const auto& field) {
        return field.role == crawlmeter::FieldRole::kAgent;
      });
  std::optional<crawlmeter::TemplateReader> reader;
  if (format) reader.emplace(std::move(*format));
  crawlmeter::VhostReader vhost;
  crawlmeter::PositionalTimeReader positional;
  crawlmeter::RecordFields fields;
  std::string_view rest = input.substr(nul + 1);
  while (!rest.empty()) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    if (line.empty()) continue;
    if (reader && reader->read(line, fields) == crawlmeter::LineKind::kRecord) {
      checkRecord(line, fields, count);
      check(fields.hasAgent == namesAgent && fields.shape == crawlmeter::OthersShape::kFields);
    }
    if (vhost.read(line, fields) == crawlmeter::LineKind::kRecord) {
      checkRecord(line, fields, 1);
      checkPositionalRest(fields);
      check(fields.address.find(' ') == std::string::npos);
    }
    if (crawlmeter::looksLikeVhostLine(line)) check(line.find(':') < line.find(' '));
    if (positional.read(line, fields) == crawlmeter::LineKind::kRecord) {
      checkRecord(line, fields, 1);
      checkPositionalRest(fields);
      check(fields.address == line.substr(0, line.find(' ')));
    }
  }
  return 0;
}
