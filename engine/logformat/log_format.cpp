// Telling a log's format by its first line.
#include "logformat/log_format.h"

#include "logformat/json_reader.h"
#include "logformat/positional_readers.h"
#include "logformat/template_reader.h"
#include "logformat/w3c_reader.h"

namespace crawlmeter {

std::optional<LogFormat> logFormatNamed(std::string_view name) {
  for (const LogFormatRow& row : kLogFormatTable) {
    if (row.name == name) return row.format;
  }
  return std::nullopt;
}

namespace {

struct FirstLine {
  std::string_view text;
  bool complete = false;
};

// The first line of head that is not empty, without its line end, and whether its end was seen.
FirstLine firstLineOf(std::string_view head) {
  if (head.starts_with(kByteOrderMark)) head.remove_prefix(kByteOrderMark.size());
  for (;;) {
    const std::size_t lf = head.find('\n');
    std::string_view line = head.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() || lf == std::string_view::npos) return {line, lf != std::string_view::npos};
    head.remove_prefix(lf + 1);
  }
}

}  // namespace

bool holdsFirstLine(std::string_view head) { return firstLineOf(head).complete; }

LogFormat formatOfHead(std::string_view head) {
  const std::string_view line = firstLineOf(head).text;
  if (looksLikeW3cHeader(line)) return LogFormat::kW3c;
  const std::size_t first = line.find_first_not_of(" \t");
  if (first != std::string_view::npos && line[first] == '{') return LogFormat::kJson;
  if (looksLikeVhostLine(line)) return LogFormat::kVhost;
  return LogFormat::kPositional;
}

bool readsPositionally(LogFormat format, const ReadingChoice& choice) {
  return format == LogFormat::kPositional && !choice.timeZone;
}

std::unique_ptr<LineReader> makeLineReader(LogFormat format, const ReadingChoice& choice,
                                           const std::string& carriedState) {
  switch (format) {
    case LogFormat::kPositional:
      if (!choice.timeZone) return nullptr;
      return std::make_unique<PositionalTimeReader>();
    case LogFormat::kW3c:
      return std::make_unique<W3cReader>(carriedState);
    case LogFormat::kVhost:
      return std::make_unique<VhostReader>();
    case LogFormat::kUserFormat:
      return std::make_unique<TemplateReader>(*choice.userFormat);
    case LogFormat::kJson:
      if (choice.jsonKeys) return std::make_unique<JsonReader>(*choice.jsonKeys);
      return std::make_unique<JsonReader>();
  }
  return nullptr;
}

std::string carriedStateAfter(std::string_view head, LogFormat format,
                              const ReadingChoice& choice) {
  const std::unique_ptr<LineReader> reader = makeLineReader(format, choice, {});
  if (!reader) return {};
  if (head.starts_with(kByteOrderMark)) head.remove_prefix(kByteOrderMark.size());
  RecordFields fields;
  for (std::size_t lf = head.find('\n'); lf != std::string_view::npos; lf = head.find('\n')) {
    std::string_view line = head.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) reader->read(line, fields);
    head.remove_prefix(lf + 1);
  }
  return reader->carriedState();
}

}  // namespace crawlmeter
