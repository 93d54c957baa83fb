// Converts a combined-format access log (as generate_log writes it) into the same requests as an
// IIS W3C log, a CloudFront log or Caddy's JSON, with every time moved to UTC by its line's offset:
// for timing the readers of those formats against the combined one on the same requests.
//
//   convert_log --to w3c|cloudfront|json [LOG] > converted.log     (LOG or standard input)
//
// Streams in large blocks; lines that are not combined records are left out and counted on
// standard error.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "logformat/civil_time.h"

namespace {

enum class Target { kW3c, kCloudFront, kJson };

struct Combined {
  std::string_view address, time, method, stem, query, protocol, status, bytes, referrer, agent;
};

// The next field of a combined line: up to a space, or a quoted one with Apache's escapes kept.
std::optional<std::string_view> take(std::string_view& rest, char open, char close) {
  if (open != ' ') {
    if (rest.empty() || rest.front() != open) return std::nullopt;
    std::size_t end = 1;
    while (end < rest.size() && rest[end] != close) end += rest[end] == '\\' ? 2 : 1;
    if (end >= rest.size()) return std::nullopt;
    const std::string_view field = rest.substr(1, end - 1);
    rest.remove_prefix(std::min(rest.size(), end + 2));
    return field;
  }
  const std::size_t end = rest.find(' ');
  const std::string_view field = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  return field;
}

std::optional<Combined> parseCombined(std::string_view line) {
  Combined c;
  std::string_view rest = line;
  auto address = take(rest, ' ', ' '), identity = take(rest, ' ', ' '), user = take(rest, ' ', ' ');
  auto time = take(rest, '[', ']'), request = take(rest, '"', '"');
  auto status = take(rest, ' ', ' '), bytes = take(rest, ' ', ' ');
  auto referrer = take(rest, '"', '"'), agent = take(rest, '"', '"');
  if (!address || !identity || !user || !time || !request || !status || !bytes || !referrer ||
      !agent) {
    return std::nullopt;
  }
  c.address = *address, c.time = *time, c.status = *status, c.bytes = *bytes;
  c.referrer = *referrer, c.agent = *agent;
  std::string_view target = *request;
  c.method = *take(target, ' ', ' ');
  const std::size_t space = target.rfind(' ');
  c.protocol = space == std::string_view::npos ? std::string_view("-") : target.substr(space + 1);
  target = target.substr(0, space);
  const std::size_t question = target.find('?');
  c.stem = target.substr(0, question);
  c.query = question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
  return c;
}

// Apache's \" and \\ undone.
void appendUnescaped(std::string_view value, std::string& out) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    out.push_back(value[i]);
  }
}

// The UTC texts of the last time seen: a log's lines share their second in runs.
struct UtcTime {
  std::string source, date, time, iso, epoch;
  bool update(std::string_view text) {
    if (text == source) return true;
    const std::optional<crawlmeter::CivilTime> parsed = crawlmeter::parseCommonLogTime(text);
    if (!parsed) return false;
    source.assign(text);
    const std::int64_t seconds = crawlmeter::unixSecondsOf(*parsed);
    const crawlmeter::CivilTime utc = crawlmeter::civilTimeOf(seconds, 0);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", utc.year, utc.month, utc.day);
    date = buffer;
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", utc.hour, utc.minute, utc.second);
    time = buffer;
    epoch = std::to_string(seconds);
    return true;
  }
};

void appendOrDash(std::string_view value, std::string& out) {
  if (value.empty()) value = "-";
  out.append(value);
}

// IIS writes spaces in header fields as '+'.
void appendPlusForSpace(std::string_view escaped, std::string& out) {
  const std::size_t start = out.size();
  appendUnescaped(escaped, out);
  for (std::size_t i = start; i < out.size(); ++i) {
    if (out[i] == ' ') out[i] = '+';
  }
}

// CloudFront's percent-encoding of the fields a client sends.
void appendPercentEncoded(std::string_view escaped, std::string& out) {
  std::string value;
  appendUnescaped(escaped, value);
  static constexpr std::string_view kEncoded = "\"#%<>[\\]^`{|}~";
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7f || kEncoded.find(c) != std::string_view::npos) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", byte);
      out.append(hex, 3);
    } else {
      out.push_back(c);
    }
  }
}

// zap's JSON string: '"' and '\\' escaped, control bytes as \n, \r, \t or \u00XX.
void appendJsonString(std::string_view escaped, std::string& out) {
  std::string value;
  appendUnescaped(escaped, value);
  out.push_back('"');
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", byte);
      out.append(hex);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

std::string_view bytesOrZero(std::string_view bytes) { return bytes == "-" ? "0" : bytes; }

void writeW3c(const Combined& c, const UtcTime& t, std::string& out) {
  out.append(t.date).append(" ").append(t.time).append(" 10.0.0.5 ").append(c.method);
  out.append(" ").append(c.stem).append(" ");
  appendOrDash(c.query, out);
  out.append(" 443 - ").append(c.address).append(" ");
  appendPlusForSpace(c.agent, out);
  out.push_back(' ');
  appendPlusForSpace(c.referrer, out);
  out.append(" ").append(c.status).append(" 0 0 15\n");
}

void writeCloudFront(const Combined& c, const UtcTime& t, std::string& out) {
  out.append(t.date).append("\t").append(t.time).append("\tNRT57-P2\t");
  out.append(bytesOrZero(c.bytes)).append("\t").append(c.address).append("\t").append(c.method);
  out.append("\td111111abcdef8.cloudfront.net\t").append(c.stem).append("\t").append(c.status);
  out.push_back('\t');
  appendPercentEncoded(c.referrer, out);
  out.push_back('\t');
  appendPercentEncoded(c.agent, out);
  out.push_back('\t');
  if (c.query.empty()) out.push_back('-');
  appendPercentEncoded(c.query, out);
  out.append("\t-\tHit\tKq3pT0dYxZw==\twww.example.com\thttps\t380\t0.012\t-\tTLSv1.3\t");
  out.append("TLS_AES_128_GCM_SHA256\tHit\t").append(c.protocol);
  out.append("\t-\t-\t51234\t0.011\tHit\ttext/html\t").append(bytesOrZero(c.bytes));
  out.append("\t-\t-\n");
}

void writeJson(const Combined& c, const UtcTime& t, std::string& out) {
  out.append("{\"level\":\"info\",\"ts\":").append(t.epoch);
  out.append(".25,\"logger\":\"http.log.access.log0\",\"msg\":\"handled request\",");
  out.append("\"request\":{\"remote_ip\":\"").append(c.address).append("\",\"remote_port\":");
  out.append("\"51234\",\"client_ip\":\"").append(c.address).append("\",\"proto\":\"");
  out.append(c.protocol).append("\",\"method\":\"").append(c.method);
  out.append("\",\"host\":\"www.example.com\",\"uri\":");
  std::string uri(c.stem);
  if (!c.query.empty()) uri.append("?").append(c.query);
  appendJsonString(uri, out);
  out.append(",\"headers\":{\"User-Agent\":[");
  appendJsonString(c.agent, out);
  if (c.referrer != "-") {
    out.append("],\"Referer\":[");
    appendJsonString(c.referrer, out);
  }
  out.append("]}},\"bytes_read\":0,\"user_id\":\"\",\"duration\":0.0012,\"size\":");
  out.append(bytesOrZero(c.bytes)).append(",\"status\":").append(c.status);
  out.append(",\"resp_headers\":{\"Server\":[\"Caddy\"]}}\n");
}

constexpr std::string_view kIisFields =
    "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
    "cs(User-Agent) cs(Referer) sc-status sc-substatus sc-win32-status time-taken\n";
constexpr std::string_view kCloudFrontHeader =
    "#Version: 1.0\n#Fields: date time x-edge-location sc-bytes c-ip cs-method cs(Host) "
    "cs-uri-stem sc-status cs(Referer) cs(User-Agent) cs-uri-query cs(Cookie) x-edge-result-type "
    "x-edge-request-id x-host-header cs-protocol cs-bytes time-taken x-forwarded-for "
    "ssl-protocol ssl-cipher x-edge-response-result-type cs-protocol-version fle-status "
    "fle-encrypted-fields c-port time-to-first-byte x-edge-detailed-result-type sc-content-type "
    "sc-content-len sc-range-start sc-range-end\n";

void writeHeader(Target target, const UtcTime& first, std::string& out) {
  if (target == Target::kW3c) {
    out.append("#Software: Microsoft Internet Information Services 10.0\n#Version: 1.0\n#Date: ");
    out.append(first.date).append(" ").append(first.time).append("\n").append(kIisFields);
  } else if (target == Target::kCloudFront) {
    out.append(kCloudFrontHeader);
  }
}

// Converts the line and appends it to out; false when it is no combined record.
class Converter {
 public:
  explicit Converter(Target target) : target_(target) {}

  bool convert(std::string_view line, std::string& out) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::optional<Combined> record = parseCombined(line);
    if (!record || !time_.update(record->time)) return false;
    if (!headerWritten_) writeHeader(target_, time_, out);
    headerWritten_ = true;
    if (target_ == Target::kW3c) writeW3c(*record, time_, out);
    if (target_ == Target::kCloudFront) writeCloudFront(*record, time_, out);
    if (target_ == Target::kJson) writeJson(*record, time_, out);
    return true;
  }

 private:
  Target target_;
  UtcTime time_;
  bool headerWritten_ = false;
};

int usage() {
  std::fprintf(stderr, "usage: convert_log --to w3c|cloudfront|json [LOG] > converted.log\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || std::strcmp(argv[1], "--to") != 0) return usage();
  const std::string_view to = argv[2];
  if (to != "w3c" && to != "cloudfront" && to != "json") return usage();
  const Target target = to == "w3c"    ? Target::kW3c
                        : to == "json" ? Target::kJson
                                       : Target::kCloudFront;
  std::FILE* in = argc == 4 ? std::fopen(argv[3], "rb") : stdin;
  if (in == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  Converter converter(target);
  std::string block(4 << 20, '\0'), pending, out;
  std::uint64_t skipped = 0;
  auto convertLine = [&](std::string_view line) {
    if (!converter.convert(line, out)) ++skipped;
    if (out.size() >= (4 << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  };
  for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), in)) > 0;) {
    std::string_view rest(block.data(), got);
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
      if (pending.empty()) {
        convertLine(rest.substr(0, end));
      } else {
        convertLine(pending.append(rest.substr(0, end)));
        pending.clear();
      }
      rest.remove_prefix(end + 1);
    }
    pending.append(rest);
  }
  if (!pending.empty()) convertLine(pending);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (skipped > 0)
    std::fprintf(stderr, "%llu lines were no combined records\n",
                 static_cast<unsigned long long>(skipped));
  const bool failed = std::ferror(in) || std::fflush(stdout) != 0;
  if (in != stdin) std::fclose(in);
  return failed ? 1 : 0;
}
