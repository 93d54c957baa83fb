// The W3C extended logs of IIS and CloudFront for the generated requests: a field list per layout,
// and each field's text from one table.
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/civil_time.h"
#include "request_logs.h"
#include "request_logs_text.h"

namespace crawlmeter::testing {
namespace {

std::string orDash(const std::string& value) { return value.empty() ? "-" : value; }

// What a field holds before the format's encoding; "-" when the request has nothing for it.
struct FieldText {
  std::string_view name;
  std::function<std::string(const Request&, std::size_t index)> text;
};

std::string datePart(const Request& request) {
  const CivilTime time = civilTimeOf(request.unixSeconds, 0);
  char out[16];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d", time.year, time.month, time.day);
  return out;
}

std::string timePart(const Request& request) {
  const CivilTime time = civilTimeOf(request.unixSeconds, 0);
  char out[16];
  std::snprintf(out, sizeof out, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return out;
}

const std::vector<FieldText>& fieldTexts() {
  using R = const Request&;
  using I = std::size_t;
  static const std::vector<FieldText> table = {
      {"date", [](R r, I) { return datePart(r); }},
      {"time", [](R r, I) { return timePart(r); }},
      {"s-sitename", [](R, I) { return std::string("W3SVC1"); }},
      {"s-computername", [](R, I) { return std::string("WEB01"); }},
      {"s-ip", [](R, I) { return std::string("10.0.0.5"); }},
      {"cs-method", [](R r, I) { return r.method; }},
      {"cs-uri-stem", [](R r, I) { return r.path; }},
      {"cs-uri-query", [](R r, I) { return orDash(r.query); }},
      {"s-port", [](R, I) { return std::string("443"); }},
      {"cs-username", [](R, I) { return std::string("-"); }},
      {"c-ip", [](R r, I) { return r.address; }},
      {"cs-version", [](R r, I) { return r.protocol; }},
      {"cs(User-Agent)", [](R r, I) { return r.agent; }},
      {"cs(Cookie)",
       [](R, I i) { return i % 5 == 0 ? std::string("session=ab12; theme=dark") : "-"; }},
      {"cs(Referer)", [](R r, I) { return orDash(r.referrer); }},
      {"cs-host", [](R, I) { return std::string("www.example.com"); }},
      {"sc-status", [](R r, I) { return std::to_string(r.status); }},
      {"sc-substatus", [](R, I) { return std::string("0"); }},
      {"sc-win32-status", [](R, I) { return std::string("0"); }},
      {"sc-bytes", [](R r, I) { return std::to_string(r.bytes + 231); }},
      {"cs-bytes", [](R r, I) { return std::to_string(380 + r.agent.size()); }},
      {"time-taken", [](R, I i) { return std::to_string(i * 7 % 900); }},
      // CloudFront's own.
      {"x-edge-location", [](R, I) { return std::string("NRT57-P2"); }},
      {"cs(Host)", [](R, I) { return std::string("d111111abcdef8.cloudfront.net"); }},
      {"x-edge-result-type", [](R, I i) { return std::string(i % 3 ? "Hit" : "Miss"); }},
      {"x-edge-request-id",
       [](R, I i) { return "Kq3pT0dYx" + std::to_string(i * 7919 % 100000) + "Zw=="; }},
      {"x-host-header", [](R, I) { return std::string("www.example.com"); }},
      {"cs-protocol", [](R, I) { return std::string("https"); }},
      {"x-forwarded-for", [](R, I) { return std::string("-"); }},
      {"ssl-protocol", [](R, I) { return std::string("TLSv1.3"); }},
      {"ssl-cipher", [](R, I) { return std::string("TLS_AES_128_GCM_SHA256"); }},
      {"x-edge-response-result-type", [](R, I i) { return std::string(i % 3 ? "Hit" : "Miss"); }},
      {"cs-protocol-version", [](R r, I) { return r.protocol; }},
      {"fle-status", [](R, I) { return std::string("-"); }},
      {"fle-encrypted-fields", [](R, I) { return std::string("-"); }},
      {"c-port", [](R, I i) { return std::to_string(40000 + i % 20000); }},
      {"time-to-first-byte", [](R, I i) { return "0.0" + std::to_string(10 + i % 80); }},
      {"x-edge-detailed-result-type", [](R, I i) { return std::string(i % 3 ? "Hit" : "Miss"); }},
      {"sc-content-type", [](R, I) { return std::string("text/html"); }},
      {"sc-content-len", [](R r, I) { return std::to_string(r.bytes); }},
      {"sc-range-start", [](R, I) { return std::string("-"); }},
      {"sc-range-end", [](R, I) { return std::string("-"); }},
  };
  return table;
}

std::string fieldText(std::string_view name, const Request& request, std::size_t index) {
  for (const FieldText& field : fieldTexts()) {
    if (field.name == name) return field.text(request, index);
  }
  return "-";
}

// IIS writes the spaces of these header fields as '+' and leaves every other byte as it came.
std::string iisEncoded(std::string_view name, std::string value) {
  if (name == "cs(User-Agent)" || name == "cs(Referer)" || name == "cs(Cookie)") {
    std::replace(value.begin(), value.end(), ' ', '+');
  }
  return value;
}

// CloudFront percent-encodes control bytes, spaces, bytes above 0x7e and " # % < > [ \ ] ^ ` { | }
// ~ in the fields a client sends; '+', '(' and ';' stay as they are.
std::string cloudFrontEncoded(std::string_view name, const std::string& value) {
  if (name != "cs(User-Agent)" && name != "cs(Referer)" && name != "cs-uri-query" &&
      name != "cs(Cookie)") {
    return value;
  }
  constexpr std::string_view kEncoded = "\"#%<>[\\]^`{|}~";
  std::string out;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7f || kEncoded.find(c) != std::string_view::npos) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

using Layout = std::vector<std::string_view>;

const Layout kIis10Default = {"date",         "time",
                              "s-ip",         "cs-method",
                              "cs-uri-stem",  "cs-uri-query",
                              "s-port",       "cs-username",
                              "c-ip",         "cs(User-Agent)",
                              "cs(Referer)",  "sc-status",
                              "sc-substatus", "sc-win32-status",
                              "time-taken"};
const Layout kIis10Wide = {
    "date",      "time",        "s-sitename",     "s-computername",  "s-ip",
    "cs-method", "cs-uri-stem", "cs-uri-query",   "s-port",          "cs-username",
    "c-ip",      "cs-version",  "cs(User-Agent)", "cs(Cookie)",      "cs(Referer)",
    "cs-host",   "sc-status",   "sc-substatus",   "sc-win32-status", "sc-bytes",
    "cs-bytes",  "time-taken"};
const Layout kIis7Default = {"date",
                             "time",
                             "s-ip",
                             "cs-method",
                             "cs-uri-stem",
                             "cs-uri-query",
                             "s-port",
                             "cs-username",
                             "c-ip",
                             "cs(User-Agent)",
                             "sc-status",
                             "sc-substatus",
                             "sc-win32-status",
                             "time-taken"};
const Layout kCloudFront = {"date",
                            "time",
                            "x-edge-location",
                            "sc-bytes",
                            "c-ip",
                            "cs-method",
                            "cs(Host)",
                            "cs-uri-stem",
                            "sc-status",
                            "cs(Referer)",
                            "cs(User-Agent)",
                            "cs-uri-query",
                            "cs(Cookie)",
                            "x-edge-result-type",
                            "x-edge-request-id",
                            "x-host-header",
                            "cs-protocol",
                            "cs-bytes",
                            "time-taken",
                            "x-forwarded-for",
                            "ssl-protocol",
                            "ssl-cipher",
                            "x-edge-response-result-type",
                            "cs-protocol-version",
                            "fle-status",
                            "fle-encrypted-fields",
                            "c-port",
                            "time-to-first-byte",
                            "x-edge-detailed-result-type",
                            "sc-content-type",
                            "sc-content-len",
                            "sc-range-start",
                            "sc-range-end"};

std::string fieldsLine(const Layout& layout) {
  std::string line = "#Fields:";
  for (std::string_view name : layout) line += " " + std::string(name);
  return line + "\n";
}

std::string iisHeader(std::string_view version, const Layout& layout, const Request& first) {
  return "#Software: Microsoft Internet Information Services " + std::string(version) +
         "\n#Version: 1.0\n#Date: " + datePart(first) + " " + timePart(first) + "\n" +
         fieldsLine(layout);
}

std::string iisRecord(const Layout& layout, const Request& request, std::size_t index) {
  std::string line;
  for (std::string_view name : layout) {
    if (!line.empty()) line += ' ';
    line += iisEncoded(name, fieldText(name, request, index));
  }
  return line + "\n";
}

}  // namespace

std::string renderIis(const std::vector<Request>& requests) {
  std::string out;
  const std::size_t restart = requests.size() / 2;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    if (i == 0) out += iisHeader("10.0", kIis10Default, requests[i]);
    if (i == restart) out += iisHeader("10.0", kIis10Wide, requests[i]);
    out += iisRecord(i < restart ? kIis10Default : kIis10Wide, requests[i], i);
  }
  return out;
}

std::string renderIis7(const std::vector<Request>& requests) {
  std::string out;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    if (i == 0) out += iisHeader("7.5", kIis7Default, requests[i]);
    out += iisRecord(kIis7Default, requests[i], i);
  }
  return out;
}

std::string renderCloudFront(const std::vector<Request>& requests) {
  std::string out = "#Version: 1.0\n" + fieldsLine(kCloudFront);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    std::string line;
    for (std::string_view name : kCloudFront) {
      if (!line.empty()) line += '\t';
      line += cloudFrontEncoded(name, fieldText(name, requests[i], i));
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace crawlmeter::testing
