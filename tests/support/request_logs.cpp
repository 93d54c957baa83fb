// The generated requests, and the line formats of Apache, IIS and CloudFront. The JSON formats are
// in request_logs_json.cpp.
#include "request_logs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string_view>

#include "base/kinds.h"
#include "logformat/civil_time.h"
#include "request_logs_text.h"

namespace crawlmeter::testing {
namespace {

constexpr std::int64_t kDayStart = 1773705600;  // 2026-03-17 00:00:00 UTC
constexpr int kClientPool = 300;

// Agents besides the crawler kinds' own: browsers, catalogue crawlers, and agents with the
// characters the formats encode ('+', '%', '"', '\\', spaces), kept away from crawler texts.
constexpr std::array<std::string_view, 14> kOtherAgents = {
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/122.0.0.0 Safari/537.36",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 14_3) AppleWebKit/605.1.15 (KHTML, like Gecko) "
    "Version/17.3 Safari/605.1.15",
    "Mozilla/5.0 (X11; Linux x86_64; rv:123.0) Gecko/20100101 Firefox/123.0",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_3 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
    "Gecko) Mobile/15E148",
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
    "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
    "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; "
    "+https://openai.com/gptbot)",
    "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
    "Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)",
    "curl/8.5.0",
    "Mozilla/5.0 (compatible; \"Quoted\" Reader/1.0; 100% sure)",
    "Tool/2.0 (a+b c%20d %zz; back\\slash)",
    "Mozilla/5.0 (Linux; Android 14) +plus+signs+ 50%off",
    "python-requests/2.31.0",
};

constexpr std::array<std::string_view, 6> kPaths = {"/",
                                                    "/index.html",
                                                    "/bbs/forum.php",
                                                    "/static/css/site.css",
                                                    "/article/2026/03/17.html",
                                                    "/api/v1/items"};
constexpr std::array<std::string_view, 4> kQueries = {"", "", "mod=viewthread&tid=42",
                                                      "q=web+log+analysis&page=2"};
constexpr std::array<std::string_view, 3> kReferrers = {
    "", "https://www.example.com/bbs/forum.php", "https://www.example.org/search?q=crawl+meter"};

std::string clientAddress(int rank) {
  char text[64];
  std::mt19937 fixed(static_cast<unsigned>(rank) * 2654435761U);
  if (rank % 7 == 3) {
    std::snprintf(text, sizeof text, "2001:db8:%x::%x", static_cast<unsigned>(fixed() & 0xffff),
                  static_cast<unsigned>(fixed() & 0xffff));
  } else {
    const auto part = [&](unsigned range) { return static_cast<unsigned>(fixed() % range); };
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", part(223) + 1, part(256), part(256),
                  part(254) + 1);
  }
  return text;
}

// Each crawler kind's text in the shape its crawler writes it.
std::vector<std::string> crawlerKindAgents() {
  std::vector<std::string> agents;
  for (const KindRow& row : kKindTable) {
    if (!isCrawlerKind(row)) continue;
    agents.push_back("Mozilla/5.0 (compatible; " + std::string(row.crawlerText) +
                     "/2.1; +http://www.example.com/bot.html)");
  }
  return agents;
}

std::string copy(std::string_view view) { return std::string(view); }

}  // namespace

std::vector<Request> generatedRequests(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::string> agents = crawlerKindAgents();
  for (std::string_view agent : kOtherAgents) agents.emplace_back(agent);
  std::vector<std::int64_t> seconds(count);
  for (auto& second : seconds) second = kDayStart + static_cast<std::int64_t>(random() % 86400);
  std::sort(seconds.begin(), seconds.end());
  std::vector<Request> requests(count);
  for (std::size_t i = 0; i < count; ++i) {
    Request& request = requests[i];
    // The square of a uniform number: a few clients make most of the requests.
    const double share = std::uniform_real_distribution<>(0, 1)(random);
    request.address = clientAddress(static_cast<int>(share * share * kClientPool));
    request.unixSeconds = seconds[i];
    request.method = random() % 10 == 0 ? (random() % 2 ? "HEAD" : "POST") : "GET";
    request.path = copy(kPaths[random() % kPaths.size()]);
    request.query = copy(kQueries[random() % kQueries.size()]);
    request.protocol = random() % 3 == 0 ? "HTTP/2.0" : "HTTP/1.1";
    request.status = random() % 8 == 0 ? 404 : 200;
    request.bytes = random() % 20 == 0 ? 0 : random() % 60000 + 1;
    request.referrer = copy(kReferrers[random() % kReferrers.size()]);
    request.agent = agents[random() % agents.size()];
  }
  return requests;
}

std::string clfTime(std::int64_t unixSeconds) {
  const CivilTime time = civilTimeOf(unixSeconds, 0);
  char out[64];
  std::snprintf(out, sizeof out, "%s:%02d:%02d:%02d +0000", dateLabelOf(time).c_str(), time.hour,
                time.minute, time.second);
  return out;
}

std::string isoTime(std::int64_t unixSeconds, std::string_view fraction, std::string_view zone) {
  const CivilTime time = civilTimeOf(unixSeconds, 0);
  char out[64];
  std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return std::string(out) + std::string(fraction) + std::string(zone);
}

std::string targetOf(const Request& request) {
  return request.query.empty() ? request.path : request.path + "?" + request.query;
}

namespace {

// Apache's ap_escape_logitem: '"' and '\\' behind a backslash, control bytes as \xhh.
std::string apacheEscaped(std::string_view value) {
  std::string out;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string orDash(const std::string& value) { return value.empty() ? "-" : value; }

std::string combinedFields(const Request& request, std::int64_t bytes, bool zeroAsDash) {
  return request.address + " - - [" + clfTime(request.unixSeconds) + "] \"" +
         apacheEscaped(request.method + " " + targetOf(request) + " " + request.protocol) + "\" " +
         std::to_string(request.status) + " " +
         (bytes == 0 && zeroAsDash ? std::string("-") : std::to_string(bytes)) + " \"" +
         apacheEscaped(orDash(request.referrer)) + "\" \"" + apacheEscaped(request.agent) + "\"\n";
}

}  // namespace

std::string renderCombined(const std::vector<Request>& requests) {
  std::string out;
  for (const Request& request : requests) out += combinedFields(request, request.bytes, true);
  return out;
}

std::string renderVhostCombined(const std::vector<Request>& requests) {
  std::string out;
  for (const Request& request : requests) {
    // %O counts the response's headers too, and is 0 rather than "-".
    out += "www.example.com:443 " + combinedFields(request, request.bytes + 231, false);
  }
  return out;
}

}  // namespace crawlmeter::testing
