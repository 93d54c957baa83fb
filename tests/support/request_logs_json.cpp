// The JSON access logs of Caddy, Traefik, nginx and Cloudflare for the generated requests, each
// with its server's own escaping of strings.
#include <cstdio>
#include <string_view>

#include "request_logs.h"
#include "request_logs_text.h"

namespace crawlmeter::testing {
namespace {

// How a server's JSON writer escapes a string beyond '"', '\\' and control bytes.
struct JsonDialect {
  bool escapesHtml;         // Go's encoding/json: '<', '>' and '&' as \u003c, \u003e, \u0026
  bool shortBackspaceFeed;  // nginx: \b and \f rather than \u0008 and \u000c
};

constexpr JsonDialect kGoJson{true, false};
constexpr JsonDialect kZap{false, false};
constexpr JsonDialect kNginx{false, true};

std::string quoted(std::string_view value, JsonDialect dialect) {
  std::string out = "\"";
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    char hex[8];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (dialect.shortBackspaceFeed && (c == '\b' || c == '\f')) {
      out += c == '\b' ? "\\b" : "\\f";
    } else if (byte < 0x20 || (dialect.escapesHtml && (c == '<' || c == '>' || c == '&'))) {
      std::snprintf(hex, sizeof hex, "\\u%04x", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A client's port, fixed per request so that renderings agree.
std::string portOf(std::size_t index) { return std::to_string(40000 + index * 37 % 20000); }

// Thousandths of a second within the request's second, as servers log sub-second times.
std::string millisOf(std::size_t index) {
  char out[8];
  std::snprintf(out, sizeof out, ".%03u", static_cast<unsigned>(index * 389 % 1000));
  return out;
}

// Go's shortest form of a float: no trailing zeros, no '.' for a whole number.
std::string shortest(std::string number) {
  while (number.find('.') != std::string::npos && (number.back() == '0' || number.back() == '.')) {
    number.pop_back();
  }
  return number;
}

std::string caddyLine(const Request& r, std::size_t i) {
  const std::string millis = millisOf(i);
  std::string headers =
      "\"Accept-Encoding\":[\"gzip, deflate, br\"],\"User-Agent\":[" + quoted(r.agent, kZap) + "]";
  if (!r.referrer.empty()) headers += ",\"Referer\":[" + quoted(r.referrer, kZap) + "]";
  return "{\"level\":\"info\",\"ts\":" + shortest(std::to_string(r.unixSeconds) + millis) +
         ",\"logger\":\"http.log.access.log0\",\"msg\":\"handled request\",\"request\":{"
         "\"remote_ip\":" +
         quoted(r.address, kZap) + ",\"remote_port\":\"" + portOf(i) +
         "\",\"client_ip\":" + quoted(r.address, kZap) + ",\"proto\":" + quoted(r.protocol, kZap) +
         ",\"method\":" + quoted(r.method, kZap) +
         ",\"host\":\"www.example.com\",\"uri\":" + quoted(targetOf(r), kZap) + ",\"headers\":{" +
         headers +
         "},\"tls\":{\"resumed\":false,\"version\":772,\"cipher_suite\":4865,\"proto\":\"h2\","
         "\"server_name\":\"www.example.com\"}},\"bytes_read\":0,\"user_id\":\"\",\"duration\":" +
         shortest("0" + millis) + ",\"size\":" + std::to_string(r.bytes) +
         ",\"status\":" + std::to_string(r.status) +
         ",\"resp_headers\":{\"Server\":[\"Caddy\"],\"Content-Type\":[\"text/html; "
         "charset=utf-8\"]}}\n";
}

// Traefik's keys come sorted, as its JSON formatter writes them.
std::string traefikLine(const Request& r, std::size_t i) {
  const bool ipv6 = r.address.find(':') != std::string::npos;
  const std::string clientAddr = (ipv6 ? "[" + r.address + "]" : r.address) + ":" + portOf(i);
  const std::string start = isoTime(r.unixSeconds, millisOf(i) + "041207", "Z");
  std::string line =
      "{\"ClientAddr\":" + quoted(clientAddr, kGoJson) +
      ",\"ClientHost\":" + quoted(r.address, kGoJson) + ",\"ClientPort\":\"" + portOf(i) +
      "\",\"ClientUsername\":\"-\",\"DownstreamContentSize\":" + std::to_string(r.bytes) +
      ",\"DownstreamStatus\":" + std::to_string(r.status) +
      ",\"Duration\":1840210,\"OriginContentSize\":" + std::to_string(r.bytes) +
      ",\"OriginDuration\":1702398,\"OriginStatus\":" + std::to_string(r.status) +
      ",\"Overhead\":137812,\"RequestAddr\":\"www.example.com\","
      "\"RequestContentSize\":0,\"RequestCount\":" +
      std::to_string(i + 1) +
      ",\"RequestHost\":\"www.example.com\",\"RequestMethod\":" + quoted(r.method, kGoJson) +
      ",\"RequestPath\":" + quoted(targetOf(r), kGoJson) +
      ",\"RequestPort\":\"-\",\"RequestProtocol\":" + quoted(r.protocol, kGoJson) +
      ",\"RequestScheme\":\"https\",\"RetryAttempts\":0,\"RouterName\":"
      "\"web@docker\",\"ServiceAddr\":\"172.18.0.3:80\",\"ServiceName\":"
      "\"web@docker\",\"ServiceURL\":\"http://172.18.0.3:80\",\"StartLocal\":\"" +
      start + "\",\"StartUTC\":\"" + start +
      "\",\"entryPointName\":\"websecure\",\"level\":\"info\",\"msg\":\"\"";
  if (!r.referrer.empty()) line += ",\"request_Referer\":" + quoted(r.referrer, kGoJson);
  return line + ",\"request_User-Agent\":" + quoted(r.agent, kGoJson) + ",\"time\":\"" +
         isoTime(r.unixSeconds, "", "Z") + "\"}\n";
}

// log_format main escape=json '{"time_local":"$time_local","remote_addr":"$remote_addr",...}':
// a variable without a value is written empty.
std::string nginxLine(const Request& r, NginxTime time) {
  const std::string when = time == NginxTime::kLocal
                               ? "{\"time_local\":\"" + clfTime(r.unixSeconds)
                               : "{\"time_iso8601\":\"" + isoTime(r.unixSeconds, "", "+00:00");
  return when + "\",\"remote_addr\":" + quoted(r.address, kNginx) +
         ",\"remote_user\":\"\",\"request\":" +
         quoted(r.method + " " + targetOf(r) + " " + r.protocol, kNginx) + ",\"status\": \"" +
         std::to_string(r.status) + "\",\"body_bytes_sent\":\"" + std::to_string(r.bytes) +
         "\",\"request_time\":\"0.012\",\"http_referrer\":" + quoted(r.referrer, kNginx) +
         ",\"http_user_agent\":" + quoted(r.agent, kNginx) + "}\n";
}

std::string cloudflareTime(std::int64_t unixSeconds, std::size_t i, CloudflareTime format) {
  switch (format) {
    case CloudflareTime::kRfc3339:
      return "\"" + isoTime(unixSeconds, "", "Z") + "\"";
    case CloudflareTime::kUnixNano:
      return std::to_string(unixSeconds) + millisOf(i).substr(1) + "000000";
    case CloudflareTime::kUnix:
      break;
  }
  return std::to_string(unixSeconds);
}

// The job's fields in the order Logpush lists them: alphabetical.
std::string cloudflareLine(const Request& r, std::size_t i, CloudflareTime format) {
  return "{\"ClientIP\":" + quoted(r.address, kGoJson) +
         ",\"ClientRequestHost\":\"www.example.com\",\"ClientRequestMethod\":" +
         quoted(r.method, kGoJson) + ",\"ClientRequestProtocol\":" + quoted(r.protocol, kGoJson) +
         ",\"ClientRequestReferer\":" + quoted(r.referrer, kGoJson) +
         ",\"ClientRequestURI\":" + quoted(targetOf(r), kGoJson) +
         ",\"ClientRequestUserAgent\":" + quoted(r.agent, kGoJson) +
         ",\"EdgeEndTimestamp\":" + cloudflareTime(r.unixSeconds, i, format) +
         ",\"EdgeResponseBytes\":" + std::to_string(r.bytes + 412) +
         ",\"EdgeResponseStatus\":" + std::to_string(r.status) +
         ",\"EdgeStartTimestamp\":" + cloudflareTime(r.unixSeconds, i, format) +
         ",\"RayID\":\"8a1f" + std::to_string(100000 + i) + "e4c2\"}\n";
}

}  // namespace

std::string renderCaddy(const std::vector<Request>& requests) {
  std::string out;
  for (std::size_t i = 0; i < requests.size(); ++i) out += caddyLine(requests[i], i);
  return out;
}

std::string renderTraefik(const std::vector<Request>& requests) {
  std::string out;
  for (std::size_t i = 0; i < requests.size(); ++i) out += traefikLine(requests[i], i);
  return out;
}

std::string renderNginxJson(const std::vector<Request>& requests, NginxTime time) {
  std::string out;
  for (const Request& request : requests) out += nginxLine(request, time);
  return out;
}

std::string renderCloudflare(const std::vector<Request>& requests, CloudflareTime time) {
  std::string out;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    out += cloudflareLine(requests[i], i, time);
  }
  return out;
}

}  // namespace crawlmeter::testing
