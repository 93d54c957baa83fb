// Readers of the positional lines Apache and nginx write, for when their times must be read
// whole: vhost lines, which put the server's host:port before the address, and positional lines
// whose hours are to be shown in another time zone.
#pragma once

#include <string_view>

#include "logformat/line_reader.h"

namespace crawlmeter {

// Whether line is a vhost line ("www.example.com:443 10.0.0.1 - - [17/Mar/2026:08:01:15 +0000]
// ..."): a first token name:port or [ipv6]:port, a second token with no '[', then a
// [dd/Mon/yyyy: time. A positional line is never one: its first token, an IPv4 address, a host
// name or an IPv6 address (two ':' or more), is no name:port.
bool looksLikeVhostLine(std::string_view line);

// A vhost line: address = the second token; time = the first [...] behind it; others = the rest
// of the line after the address, as one field (OthersShape::kPositionalRest).
class VhostReader : public LineReader {
 public:
  LineKind read(std::string_view line, RecordFields& fields) override;
};

// A positional line read with its whole time: address = the text before the first space; time =
// the common-log time whose hour follows the first ':' behind that space (dd/Mon/yyyy, HH:MM:SS
// and an optional zone); others = the line from the first space on, as one field
// (OthersShape::kPositionalRest).
class PositionalTimeReader : public LineReader {
 public:
  LineKind read(std::string_view line, RecordFields& fields) override;
};

}  // namespace crawlmeter
