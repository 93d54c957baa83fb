// The log formats a run reads, one table of them, and how a file's format is told from its first
// line when the user does not name one.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/time_zone.h"
#include "logformat/json_reader.h"
#include "logformat/line_reader.h"
#include "logformat/log_template.h"

namespace crawlmeter {

enum class LogFormat {
  kPositional,  // the address before the first space, the hour after the first ':' behind it
  kW3c,         // W3C extended: IIS, CloudFront
  kJson,        // one JSON object a line: Caddy, Traefik, nginx's JSON templates, Cloudflare
  kVhost,       // "host:port" before a positional line (Apache's vhost_combined)
  kUserFormat,  // the user's own nginx log_format or Apache LogFormat
};

struct LogFormatRow {
  LogFormat format;
  std::string_view name;  // what --log-format calls it
};

// The names a user may force a format by; a format may answer to several.
inline constexpr std::array<LogFormatRow, 7> kLogFormatTable = {{
    {LogFormat::kPositional, "positional"},
    {LogFormat::kPositional, "combined"},
    {LogFormat::kW3c, "w3c"},
    {LogFormat::kW3c, "iis"},
    {LogFormat::kW3c, "cloudfront"},
    {LogFormat::kJson, "json"},
    {LogFormat::kVhost, "vhost"},
}};

std::optional<LogFormat> logFormatNamed(std::string_view name);

// The format a file's first bytes tell by their first line that is not empty (after a UTF-8
// byte-order mark): W3C when it is a W3C directive, JSON when it starts with '{', vhost when it
// starts "host:port address ... [date"; else positional.
LogFormat formatOfHead(std::string_view head);

// Whether head holds the whole of the line formatOfHead reads, so that more bytes cannot change
// its answer.
bool holdsFirstLine(std::string_view head);

// How a run reads its files, as the user chose.
struct ReadingChoice {
  // The format of every file; nullopt tells each file's by its first line.
  std::optional<LogFormat> format = std::nullopt;
  // The user's own format, with LogFormat::kUserFormat.
  std::shared_ptr<const LogTemplate> userFormat = nullptr;
  // The keys of JSON logs, when the user names them; else each server's are tried.
  std::shared_ptr<const JsonKeys> jsonKeys = nullptr;
  // The zone hours are counted in; nullopt counts them as written.
  std::optional<TimeZone> timeZone = std::nullopt;
};

// Whether a file in format is read by the positional reading itself (LogScanner): its lines are
// then those the line-end rewrite serves.
bool readsPositionally(LogFormat format, const ReadingChoice& choice);

// A reader for a file (or a piece of one, given carriedState) in format; nullptr for the
// positional format, which LogScanner reads itself.
std::unique_ptr<LineReader> makeLineReader(LogFormat format, const ReadingChoice& choice,
                                           const std::string& carriedState);

// The state a reader of format is in after reading the whole lines of head: what the pieces of a
// file cut after head must be told.
std::string carriedStateAfter(std::string_view head, LogFormat format, const ReadingChoice& choice);

}  // namespace crawlmeter
