// The W3C extended log reader on IIS and CloudFront lines, and the generated request logs read
// back to their requests.
#include "logformat/w3c_reader.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <optional>
#include <string>

#include <set>
#include <sstream>
#include <vector>

#include "base/kinds.h"
#include "request_logs.h"

namespace crawlmeter {
namespace {

using testing::Request;

constexpr const char* kIis10Fields =
    "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
    "cs(User-Agent) cs(Referer) sc-status sc-substatus sc-win32-status time-taken";
constexpr const char* kIis7Fields =
    "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
    "cs(User-Agent) sc-status sc-substatus sc-win32-status time-taken";
constexpr const char* kCloudFrontFields =
    "#Fields: date time x-edge-location c-ip cs(User-Agent) cs-uri-query cs(Cookie) cs-uri-stem";

struct ReadCase {
  const char* what;
  std::string start;               // what the reader is constructed with
  std::vector<std::string> lines;  // read in order; the last one is checked
  LineKind kind;
  std::string address, date, time, others;  // the last line's record, when it is one
  std::optional<std::string> agent;         // none: the layout has no agent field
};

const std::vector<ReadCase>& readCases() {
  static const std::vector<ReadCase> cases = {
      {"IIS 10, '+' is a space in agent and referrer only",
       "",
       {"#Software: Microsoft Internet Information Services 10.0", "#Version: 1.0",
        "#Date: 2026-03-17 00:00:00", kIis10Fields,
        "2026-03-17 08:01:15 10.0.0.5 GET /a q=a+b 443 - 1.2.3.4 Mozilla/5.0+(compatible;+Sogou+"
        "web+spider) https://x/?q=c+d 200 0 0 15"},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-17",
       "08:01:15",
       "2026-03-17\t08:01:15\t10.0.0.5\tGET\t/a\tq=a+b\t443\t-\thttps://x/?q=c "
       "d\t200\t0\t0\t15\t",
       "Mozilla/5.0 (compatible; Sogou web spider)"},
      {"IIS 7, %XX stays in space-separated records",
       "",
       {"#Software: Microsoft Internet Information Services 7.5", kIis7Fields,
        "2026-03-17 23:59:59 10.0.0.5 GET / - 80 - 2001:db8::1 A%20B 404 0 2 1"},
       LineKind::kRecord,
       "2001:db8::1",
       "2026-03-17",
       "23:59:59",
       "2026-03-17\t23:59:59\t10.0.0.5\tGET\t/\t-\t80\t-\t404\t0\t2\t1\t",
       "A%20B"},
      {"a second #Fields mid-file moves the fields",
       "",
       {kIis7Fields, "2026-03-17 01:00:00 s GET / - 80 - 1.1.1.1 a 200 0 0 1",
        "#Date: 2026-03-17 02:00:00", "#Fields: time c-ip date cs(Cookie) x-extra",
        "02:30:00 9.9.9.9 2026-03-18 k=v+w extra+x"},
       LineKind::kRecord,
       "9.9.9.9",
       "2026-03-18",
       "02:30:00",
       "02:30:00\t2026-03-18\tk=v w\textra+x\t",
       std::nullopt},
      {"a layout without date takes #Date's",
       "",
       {"#Date: 2026-03-16 23:00:00", "#Fields: time c-ip cs(User-Agent)",
        "05:06:07 1.2.3.4 Googlebot/2.1"},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-16",
       "05:06:07",
       "05:06:07\t",
       "Googlebot/2.1"},
      {"the agent first, the address last, '+' decoded in the fields after them",
       "#Fields: cs(User-Agent) date time cs(Referer) c-ip",
       {"a+b\"c\\d 2026-03-17 10:00:00 r+s 1.2.3.4"},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-17",
       "10:00:00",
       "2026-03-17\t10:00:00\tr s\t",
       "a b\"c\\d"},
      {"the agent right before the address, a field after them",
       "#Fields: date time CS(USER-AGENT) C-IP cs(Cookie)",
       {"2026-03-17 10:00:00 x+y 1.2.3.4 k+v"},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-17",
       "10:00:00",
       "2026-03-17\t10:00:00\tk v\t",
       "x y"},
      {"an empty agent last: an agent all the same",
       "#Fields: date time c-ip cs(User-Agent)",
       {"2026-03-17 10:00:00 1.2.3.4 "},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-17",
       "10:00:00",
       "2026-03-17\t10:00:00\t",
       ""},
      {"a second cs(User-Agent) is one of the others",
       "#Fields: date time c-ip cs(User-Agent) cs(User-Agent)",
       {"2026-03-17 10:00:00 1.2.3.4 a+b c+d"},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-17",
       "10:00:00",
       "2026-03-17\t10:00:00\tc d\t",
       "a b"},
      {"CloudFront: tabs, %XX decoded once in agent, query and cookie, '+' kept",
       "",
       {"#Version: 1.0", kCloudFrontFields,
        "2026-03-17\t08:01:15\tNRT57\t1.2.3.4\tA%20(+b;%2520c)\tq=%22x%22+y\tk=%3Bv\t/p%20q"},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-17",
       "08:01:15",
       "2026-03-17\t08:01:15\tNRT57\tq=\"x\"+y\tk=;v\t/p%20q\t",
       "A (+b;%20c)"},
      {"bad %-sequences stay as written",
       "",
       {kCloudFrontFields, "2026-03-17\t08:01:15\tX\t1.2.3.4\t%zz%4\t%\t%%41\t/"},
       LineKind::kRecord,
       "1.2.3.4",
       "2026-03-17",
       "08:01:15",
       "2026-03-17\t08:01:15\tX\t%\t%A\t/\t",
       "%zz%4"},
      {"a reader made with a carried #Fields reads on with it",
       kIis7Fields,
       {"2026-03-17 10:00:00 s GET / - 80 - 5.6.7.8 x+y 200 0 0 1"},
       LineKind::kRecord,
       "5.6.7.8",
       "2026-03-17",
       "10:00:00",
       "2026-03-17\t10:00:00\ts\tGET\t/\t-\t80\t-\t200\t0\t0\t1\t",
       "x y"},
      {"directives", "", {"#Remark: hello"}, LineKind::kDirective, "", "", "", "", std::nullopt},
      {"a #Fields is a directive",
       "",
       {kIis7Fields},
       LineKind::kDirective,
       "",
       "",
       "",
       "",
       std::nullopt},
      {"a record before any #Fields",
       "",
       {"#Software: IIS", "2026-03-17 10:00:00 1.2.3.4"},
       LineKind::kNotUnderstood,
       "",
       "",
       "",
       "",
       std::nullopt},
      {"a field too few",
       kIis7Fields,
       {"2026-03-17 10:00:00 s GET / - 80 - 5.6.7.8 x 200 0 0"},
       LineKind::kNotUnderstood,
       "",
       "",
       "",
       "",
       std::nullopt},
      {"a field too many",
       kIis7Fields,
       {"2026-03-17 10:00:00 s GET / - 80 - 5.6.7.8 x y 200 0 0 1"},
       LineKind::kNotUnderstood,
       "",
       "",
       "",
       "",
       std::nullopt},
      {"tabs split a record of a spaced layout",
       "#Fields: date time c-ip",
       {"2026-03-17 10:00:00\t1.2.3.4"},
       LineKind::kNotUnderstood,
       "",
       "",
       "",
       "",
       std::nullopt},
      {"a layout without c-ip",
       "#Fields: date time cs(User-Agent)",
       {"2026-03-17 10:00:00 Googlebot"},
       LineKind::kNotUnderstood,
       "",
       "",
       "",
       "",
       std::nullopt},
      {"a date that does not parse",
       "#Fields: date time c-ip",
       {"2026-13-17 10:00:00 1.2.3.4"},
       LineKind::kNotUnderstood,
       "",
       "",
       "",
       "",
       std::nullopt},
      {"no date field and no #Date",
       "#Fields: time c-ip",
       {"10:00:00 1.2.3.4"},
       LineKind::kNotUnderstood,
       "",
       "",
       "",
       "",
       std::nullopt},
  };
  return cases;
}

TEST(W3cReaderTest, ReadsEachCaseAsExpected) {
  for (const ReadCase& c : readCases()) {
    W3cReader reader(c.start);
    RecordFields fields;
    LineKind kind = LineKind::kNotUnderstood;
    for (const std::string& line : c.lines) kind = reader.read(line, fields);
    ASSERT_EQ(kind, c.kind) << c.what;
    if (kind != LineKind::kRecord) continue;
    EXPECT_EQ(fields.address, c.address) << c.what;
    EXPECT_EQ(fields.time, *parseW3cTime(c.date, c.time)) << c.what;
    EXPECT_EQ(fields.others, c.others) << c.what;
    EXPECT_EQ(fields.shape, OthersShape::kFields) << c.what;
    EXPECT_EQ(fields.hasAgent, c.agent.has_value()) << c.what;
    EXPECT_EQ(fields.agent, c.agent.value_or("")) << c.what;
  }
}

TEST(W3cReaderTest, CarriesTheDirectivesInEffectToALaterPiece) {
  W3cReader reader;
  RecordFields fields;
  EXPECT_EQ(reader.carriedState(), "");
  for (const char* line : {"#Software: x", kIis7Fields}) reader.read(line, fields);
  EXPECT_EQ(reader.carriedState(), kIis7Fields);
  for (const char* line : {"#Date: 2026-03-18 00:00:00", "#Fields: time c-ip"}) {
    reader.read(line, fields);
  }
  EXPECT_EQ(reader.carriedState(), "#Fields: time c-ip\n#Date: 2026-03-18");
  // A piece cut after a dateless layout still knows the date its records are of.
  W3cReader later(reader.carriedState());
  ASSERT_EQ(later.read("10:00:00 1.2.3.4", fields), LineKind::kRecord);
  EXPECT_EQ(fields.address, "1.2.3.4");
  EXPECT_EQ(fields.time.day, 18);
}

TEST(W3cReaderTest, TellsAHeaderByItsDirectives) {
  for (const char* line :
       {"#Software: Microsoft Internet Information Services 10.0", "#Version: 1.0", "#Fields: date",
        "#Date: 2026-03-17 00:00:00", "#Remark: x", "#Start-Date: 2026-03-17 00:00:00"}) {
    EXPECT_TRUE(looksLikeW3cHeader(line)) << line;
  }
  for (const char* line : {"", "#", "#Comment: x", "#fields: date", " #Fields: date",
                           "1.2.3.4 - - [17/Mar/2026:00:00:00 +0000] \"GET / HTTP/1.1\""}) {
    EXPECT_FALSE(looksLikeW3cHeader(line)) << line;
  }
}

// The records of a W3C log, read line by line.
std::vector<RecordFields> readW3c(const std::string& text) {
  W3cReader reader;
  std::vector<RecordFields> records;
  std::istringstream in(text);
  RecordFields fields;
  for (std::string line; std::getline(in, line);) {
    const LineKind kind = reader.read(line, fields);
    EXPECT_NE(kind, LineKind::kNotUnderstood) << line;
    if (kind == LineKind::kRecord) records.push_back(fields);
  }
  return records;
}

std::string spacesForPluses(std::string text) {
  std::replace(text.begin(), text.end(), '+', ' ');
  return text;
}

TEST(RequestLogsTest, W3cLogsReadBackToTheirRequests) {
  const std::vector<Request> requests = testing::generatedRequests(3000, 7);
  struct Rendering {
    const char* name;
    std::string text;
    bool plusIsSpace;  // IIS cannot tell a '+' it wrote for a space from one the agent held
  };
  for (const Rendering& r : {Rendering{"iis", testing::renderIis(requests), true},
                             Rendering{"iis7", testing::renderIis7(requests), true},
                             Rendering{"cloudfront", testing::renderCloudFront(requests), false}}) {
    const std::vector<RecordFields> records = readW3c(r.text);
    ASSERT_EQ(records.size(), requests.size()) << r.name;
    for (std::size_t i = 0; i < requests.size(); ++i) {
      const std::string agent =
          r.plusIsSpace ? spacesForPluses(requests[i].agent) : requests[i].agent;
      EXPECT_EQ(records[i].address, requests[i].address) << r.name << i;
      EXPECT_EQ(unixSecondsOf(records[i].time), requests[i].unixSeconds) << r.name << i;
      EXPECT_TRUE(records[i].hasAgent) << r.name << i;
      EXPECT_EQ(records[i].agent, agent) << r.name << i;
    }
  }
}

// A combined line's quoted fields, unescaped: request, referrer, agent.
std::vector<std::string> quotedFields(std::string_view line) {
  std::vector<std::string> fields;
  for (std::size_t at = line.find('"'); at != std::string_view::npos; at = line.find('"', at + 1)) {
    std::string field;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      if (line[at] == '\\' && at + 1 < line.size()) ++at;
      field += line[at];
    }
    fields.push_back(field);
  }
  return fields;
}

TEST(RequestLogsTest, CombinedLogReadsBackToItsRequests) {
  const std::vector<Request> requests = testing::generatedRequests(3000, 11);
  std::istringstream in(testing::renderCombined(requests));
  std::size_t i = 0;
  for (std::string line; std::getline(in, line); ++i) {
    ASSERT_LT(i, requests.size());
    const std::size_t open = line.find('['), close = line.find(']');
    EXPECT_EQ(line.substr(0, line.find(' ')), requests[i].address);
    const auto time = parseCommonLogTime(line.substr(open + 1, close - open - 1));
    ASSERT_TRUE(time) << line;
    EXPECT_EQ(unixSecondsOf(*time), requests[i].unixSeconds);
    const std::vector<std::string> quoted = quotedFields(line.substr(close));
    ASSERT_EQ(quoted.size(), 3u) << line;
    EXPECT_EQ(quoted[2], requests[i].agent) << line;
  }
  EXPECT_EQ(i, requests.size());
}

TEST(RequestLogsTest, RequestsCoverEveryCrawlerKindAndTheEncodedCharacters) {
  const std::vector<Request> requests = testing::generatedRequests(3000, 3);
  std::set<std::string> addresses;
  std::string agents;
  bool ipv6 = false;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    if (i > 0) {
      EXPECT_LE(requests[i - 1].unixSeconds, requests[i].unixSeconds);
    }
    addresses.insert(requests[i].address);
    ipv6 = ipv6 || requests[i].address.find(':') != std::string::npos;
    agents += requests[i].agent + '\n';
  }
  EXPECT_TRUE(ipv6);
  EXPECT_LT(addresses.size(), requests.size() / 5);
  for (const KindRow& row : kKindTable) {
    if (isCrawlerKind(row)) {
      EXPECT_NE(agents.find(row.crawlerText), std::string::npos) << row.crawlerText;
    }
  }
  for (const char* text : {"+", "\"", "%", "bingbot", "Chrome/"}) {
    EXPECT_NE(agents.find(text), std::string::npos) << text;
  }
  const std::int64_t first = requests.front().unixSeconds, last = requests.back().unixSeconds;
  EXPECT_GT(last - first, 20 * 3600);
}

TEST(RequestLogsTest, JsonLogsWriteOneObjectPerRequest) {
  const std::vector<Request> requests = testing::generatedRequests(500, 5);
  for (const std::string& text :
       {testing::renderCaddy(requests), testing::renderTraefik(requests),
        testing::renderNginxJson(requests, testing::NginxTime::kIso8601),
        testing::renderCloudflare(requests, testing::CloudflareTime::kRfc3339)}) {
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(requests.size()));
    EXPECT_EQ(std::count(text.begin(), text.end(), '{'), std::count(text.begin(), text.end(), '}'));
  }
}

}  // namespace
}  // namespace crawlmeter
