// The same requests written in every log format the program reads, for tests that compare the
// counts of one format with another's: a day of generated requests, and one renderer per format
// returning the whole file as that server writes it, in UTC.
//
// Encodings never make or break a crawler text: crawler texts hold no '+', '%', '"' or '\\', and
// the generated agents place those only apart from any crawler text, so that decoding a W3C
// field ('+' for a space, %XX) or unescaping JSON gives back every crawler text as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace crawlmeter::testing {

struct Request {
  std::string address;  // IPv4 or IPv6, as the client connected from
  std::int64_t unixSeconds = 0;
  std::string method, path, query, protocol;  // query without its '?', empty when none
  int status = 200;
  std::int64_t bytes = 0;  // the response body's length
  std::string referrer;    // empty when the request had none
  std::string agent;       // never empty
};

// count requests over one day (2026-03-17 UTC), in time order, from seed: IPv4 and IPv6 clients
// many of which come back, browsers, every crawler kind's text, catalogue crawlers, and agents
// holding spaces, '+', '"' and '%'.
std::vector<Request> generatedRequests(std::size_t count, unsigned seed);

// Apache's combined format: %h %l %u %t "%r" %>s %b "%{Referer}i" "%{User-Agent}i".
std::string renderCombined(const std::vector<Request>& requests);
// Apache's vhost_combined: "%v:%p " before the combined fields, %O for the bytes.
std::string renderVhostCombined(const std::vector<Request>& requests);
// IIS 10's W3C log with its default fields, and a second header block halfway through with more
// fields (so others stand at other places), as after a restart with the logging changed.
std::string renderIis(const std::vector<Request>& requests);
// IIS 7.5's W3C log with its default fields (no referrer).
std::string renderIis7(const std::vector<Request>& requests);
// CloudFront's standard log: #Version and #Fields, then 33 tab-separated fields per record.
std::string renderCloudFront(const std::vector<Request>& requests);

// Caddy v2's JSON access log (one object per line, "ts" as float seconds).
std::string renderCaddy(const std::vector<Request>& requests);
// Traefik's JSON access log with request headers kept.
std::string renderTraefik(const std::vector<Request>& requests);
// nginx with a log_format of escape=json, its time as $time_local or $time_iso8601.
enum class NginxTime { kLocal, kIso8601 };
std::string renderNginxJson(const std::vector<Request>& requests, NginxTime time);
// Cloudflare Logpush's JSON lines, with the job's timestamp format.
enum class CloudflareTime { kRfc3339, kUnixNano, kUnix };
std::string renderCloudflare(const std::vector<Request>& requests, CloudflareTime time);

}  // namespace crawlmeter::testing
