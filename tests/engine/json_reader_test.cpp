// The JSON-lines reader: each server's records, a user's keys, escapes, and the lines it must
// refuse; the keys a user writes and what is wrong with them.
#include "logformat/json_reader.h"

#include <gtest/gtest.h>

#include "base/chinese_wording.h"

namespace crawlmeter {
namespace {

constexpr CivilTime kUtc{2024, 3, 17, 8, 1, 15, 0};       // 1710662475 since the epoch
constexpr CivilTime kChina{2024, 3, 17, 16, 1, 15, 480};  // the same second at +08:00

struct RecordCase {
  const char* what;
  std::string line;
  std::string address;
  CivilTime time;
  std::string others;
  std::string agent;  // every built-in key set names an agent: empty when a record has none
};

const RecordCase kBuiltInRecords[] = {
    {"Caddy, seconds as a float, client_ip over remote_ip",
     R"({"level":"info","ts":1710662475.123,"logger":"http.log.access","msg":"handled request",)"
     R"("request":{"remote_ip":"10.0.0.9","remote_port":"51234","client_ip":"203.0.113.7",)"
     R"("method":"GET","uri":"/a","headers":{"User-Agent":["Mozilla/5.0 (compatible; )"
     R"j(Baiduspider/2.0)"],"Accept":["*/*"]},"tls":{"resumed":false}},"status":200,)j"
     R"("size":512})",
     "203.0.113.7", kUtc,
     "info\t1710662475.123\thttp.log.access\thandled request\t10.0.0.9\t51234\tGET\t/a\t"
     "*/*\tfalse\t200\t512\t",
     "Mozilla/5.0 (compatible; Baiduspider/2.0)"},
    {"Caddy, RFC 3339 text, remote_ip alone",
     R"({"ts":"2024-03-17T16:01:15.123+08:00","request":{"remote_ip":"10.0.0.9","host":"a.cn"},)"
     R"("user_id":null,"duration":1.5e-3})",
     "10.0.0.9", kChina, "2024-03-17T16:01:15.123+08:00\ta.cn\t1.5e-3\t", ""},
    {"Traefik, StartUTC over the StartLocal written first",
     R"({"ClientAddr":"198.51.100.4:40312","ClientHost":"198.51.100.4",)"
     R"("StartLocal":"2024-03-17T16:01:15.5+08:00","StartUTC":"2024-03-17T08:01:15.5Z",)"
     R"("DownstreamStatus":200,"request_User-Agent":"Googlebot/2.1"})",
     "198.51.100.4", kUtc,
     "198.51.100.4:40312\t2024-03-17T16:01:15.5+08:00\t2024-03-17T08:01:15.5Z\t200\t",
     "Googlebot/2.1"},
    {"Traefik, StartLocal alone",
     R"({"ClientHost":"198.51.100.4","StartLocal":"2024-03-17T16:01:15+08:00"})", "198.51.100.4",
     kChina, "2024-03-17T16:01:15+08:00\t", ""},
    {"nginx, time_local, escapes",
     R"({"remote_addr":"192.0.2.1","time_local":"17/Mar/2024:16:01:15 +0800",)"
     R"("request":"GET \/p?q=\"x\" HTTP\/1.1","status":"200","http_user_agent":)"
     R"("caf\u00e9 Sogou web spider\ud83d\ude00"})",
     "192.0.2.1", kChina, "17/Mar/2024:16:01:15 +0800\tGET /p?q=\"x\" HTTP/1.1\t200\t",
     "caf\xC3\xA9 Sogou web spider\xF0\x9F\x98\x80"},
    {"nginx, the agent before the address, quotes and backslashes in it",
     R"({"http_user_agent":"M \"x\" \\y","remote_addr":"192.0.2.1","msec":1710662475,"s":1})",
     "192.0.2.1", kUtc, "1710662475\t1\t", R"(M "x" \y)"},
    {"nginx, user_agent when there is no http_user_agent, a number",
     R"({"remote_addr":"192.0.2.1","user_agent":42,"msec":1710662475})", "192.0.2.1", kUtc,
     "1710662475\t", "42"},
    {"nginx, a null agent is an empty one",
     R"({"remote_addr":"192.0.2.1","http_user_agent":null,"msec":1710662475})", "192.0.2.1", kUtc,
     "1710662475\t", ""},
    {"nginx, an empty agent, taken with its tab",
     R"({"remote_addr":"192.0.2.1","http_user_agent":"","msec":1710662475,"s":1})", "192.0.2.1",
     kUtc, "1710662475\t1\t", ""},
    {"nginx, time_iso8601 over time_local",
     R"({"time_local":"01/Jan/2000:00:00:00 +0000","time_iso8601":"2024-03-17T08:01:15+00:00",)"
     R"( "remote_addr" : "192.0.2.2" , "bytes":[1, true, {"k": "v"}] })",
     "192.0.2.2", kUtc, "01/Jan/2000:00:00:00 +0000\t2024-03-17T08:01:15+00:00\t1\ttrue\tv\t", ""},
    {"nginx, msec as a quoted string",
     R"({"msec":"1710662475.123","remote_addr":"192.0.2.3","request_time":"0.012"})", "192.0.2.3",
     kUtc, "1710662475.123\t0.012\t", ""},
    {"Cloudflare, RFC 3339",
     R"({"ClientIP":"2001:db8::5","ClientRequestUserAgent":"bingbot/2.0",)"
     R"("EdgeStartTimestamp":"2024-03-17T08:01:15Z","EdgeResponseStatus":200})",
     "2001:db8::5", kUtc, "2024-03-17T08:01:15Z\t200\t", "bingbot/2.0"},
    {"Cloudflare, nanoseconds since the epoch, too long for a double",
     R"({"EdgeStartTimestamp":1710662475123456789,"ClientIP":"203.0.113.8"})", "203.0.113.8", kUtc,
     "1710662475123456789\t", ""},
};

TEST(JsonReaderTest, ReadsEachServersRecords) {
  JsonReader reader;
  RecordFields fields;
  for (const RecordCase& record : kBuiltInRecords) {
    ASSERT_EQ(reader.read(record.line, fields), LineKind::kRecord) << record.what;
    EXPECT_EQ(fields.address, record.address) << record.what;
    EXPECT_EQ(fields.time, record.time) << record.what;
    EXPECT_EQ(fields.others, record.others) << record.what;
    EXPECT_EQ(fields.shape, OthersShape::kFields) << record.what;
    EXPECT_TRUE(fields.hasAgent) << record.what;
    EXPECT_EQ(fields.agent, record.agent) << record.what;
  }
}

std::string nested(int depth) {
  std::string line = R"({"remote_addr":"1.2.3.4","msec":"1710662475","x":)";
  for (int level = 2; level < depth; ++level) line += R"({"x":)";
  line += "{}";
  for (int level = 2; level <= depth; ++level) line += "}";
  return line;
}

TEST(JsonReaderTest, NestingUpToTheBoundReads) {
  JsonReader reader;
  RecordFields fields;
  EXPECT_EQ(reader.read(nested(JsonReader::kDeepestNesting), fields), LineKind::kRecord);
  EXPECT_EQ(reader.read(nested(JsonReader::kDeepestNesting + 1), fields), LineKind::kNotUnderstood);
}

TEST(JsonReaderTest, RefusesWhatIsNotOneRecordWithAnAddressAndATime) {
  const std::string good = R"("remote_addr":"1.2.3.4","time_local":"17/Mar/2024:16:01:15 +0800")";
  const std::string lines[] = {
      "{" + good,                      // truncated
      "{" + good + ",}",               // trailing comma
      "{" + good + R"(,"a":"b)",       // unterminated string
      "{" + good + "} x",              // something after the object
      "{" + good + "}{}",              // two objects
      "[{" + good + "}]",              // an array at the top
      R"("1.2.3.4")",                  // a string at the top
      "{" + good + R"(,"size":012})",  // a leading zero
      "{" + good + R"(,"size":12x})",  // not a number
      "{" + good + R"(,"size":-})",    // a sign alone
      "{" + good + R"(,"ok":tru})",
      "{" + good + R"(,"no":nul})",   // null misspelt                      // a misspelt literal
      "{" + good + R"(,"ua":"\x"})",  // an unknown escape
      "{" + good + ",\"ua\":\"\xC3\x28\"}",                               // invalid UTF-8
      R"({"remote_addr":"1.2.3.4"})",                                     // no time
      R"({"time_local":"17/Mar/2024:16:01:15 +0800"})",                   // no address
      R"({"remote_addr":"","time_local":"17/Mar/2024:16:01:15 +0800"})",  // an empty address
      R"({"remote_addr":null,"time_local":"17/Mar/2024:16:01:15 +0800"})",
      R"({"remote_addr":"1.2.3.4","time_local":"yesterday"})",
      R"({"ClientIP":"1.2.3.4","EdgeStartTimestamp":-5})",
      R"({"request":{"client_ip":"1.2.3.4"},"time":"2024-03-17T08:01:15Z"})",  // no Caddy ts
  };
  JsonReader reader;
  RecordFields fields;
  for (const std::string& line : lines) {
    EXPECT_EQ(reader.read(line, fields), LineKind::kNotUnderstood) << line;
  }
}

TEST(JsonReaderTest, AShortLineAfterALongOneIsReadAlone) {
  JsonReader reader;
  RecordFields fields;
  const std::string whole = R"({"remote_addr":"1.2.3.4","msec":"1710662475"})";
  ASSERT_EQ(reader.read(whole, fields), LineKind::kRecord);
  EXPECT_EQ(reader.read(whole.substr(0, 20), fields), LineKind::kNotUnderstood);
  ASSERT_EQ(reader.read(R"({"remote_addr":"5.6.7.8","msec":"1710662475"})", fields),
            LineKind::kRecord);
  EXPECT_EQ(fields.address, "5.6.7.8");
}

TEST(JsonReaderTest, TriesTheKeysThatReadTheLastRecordFirst) {
  const std::string both =
      R"({"remote_addr":"192.0.2.1","msec":"1710662475","ClientIP":"203.0.113.8",)"
      R"("EdgeStartTimestamp":1710662475})";
  JsonReader reader;
  RecordFields fields;
  ASSERT_EQ(reader.read(R"({"ClientIP":"203.0.113.9","EdgeStartTimestamp":1710662475})", fields),
            LineKind::kRecord);
  ASSERT_EQ(reader.read(both, fields), LineKind::kRecord);
  EXPECT_EQ(fields.address, "203.0.113.8");
  ASSERT_EQ(reader.read(R"({"remote_addr":"192.0.2.9","msec":"1710662475"})", fields),
            LineKind::kRecord);
  ASSERT_EQ(reader.read(both, fields), LineKind::kRecord);
  EXPECT_EQ(fields.address, "192.0.2.1");
}

TEST(JsonReaderTest, ReadsWithAUsersKeysOnly) {
  const auto keys = parseJsonKeys("address=peer.ips[1],time=meta.when[0][1],agent=ua", nullptr);
  ASSERT_TRUE(keys);
  JsonReader reader(*keys);
  RecordFields fields;
  ASSERT_EQ(reader.read(R"({"peer":{"ips":["10.0.0.1",3232235777]},"meta":{"when":)"
                        R"([[0,"2024-03-17T08:01:15Z"]]},"ua":"YoudaoBot"})",
                        fields),
            LineKind::kRecord);
  EXPECT_EQ(fields.address, "3232235777");
  EXPECT_EQ(fields.time, kUtc);
  EXPECT_EQ(fields.others, "10.0.0.1\t0\t2024-03-17T08:01:15Z\t");
  EXPECT_TRUE(fields.hasAgent);
  EXPECT_EQ(fields.agent, "YoudaoBot");
  // The built-in keys mean nothing to it, nor do the right names at other places.
  EXPECT_EQ(reader.read(R"({"remote_addr":"192.0.2.9","msec":"1710662475"})", fields),
            LineKind::kNotUnderstood);
  const std::string when = R"("meta":{"when":[[0,"2024-03-17T08:01:15Z"]]})";
  EXPECT_EQ(reader.read(R"({"peer":{"ips":["10.0.0.1"]},)" + when + "}", fields),
            LineKind::kNotUnderstood);
  EXPECT_EQ(reader.read(R"({"ips":["a","b"],"peer":{},)" + when + "}", fields),
            LineKind::kNotUnderstood);
}

TEST(JsonReaderTest, AUsersKeysWithoutAnAgentGiveRecordsWithoutOne) {
  const struct {
    const char* keys;
    bool hasAgent;
    const char* agent;
    const char* others;
  } cases[] = {
      {"address=ip,time=t", false, "", "1710662475\tx\t"},
      {"address=ip,time=t,agent=ua", true, "x", "1710662475\t"},
      {"address=ip,time=t,agent=missing", true, "", "1710662475\tx\t"},
      {"address=ip,time=t,agent=ip", true, "1.2.3.4", "1710662475\tx\t"},
  };
  for (const auto& c : cases) {
    const auto keys = parseJsonKeys(c.keys, nullptr);
    ASSERT_TRUE(keys) << c.keys;
    JsonReader reader(*keys);
    RecordFields fields;
    ASSERT_EQ(reader.read(R"({"ip":"1.2.3.4","t":1710662475,"ua":"x"})", fields), LineKind::kRecord)
        << c.keys;
    EXPECT_EQ(fields.address, "1.2.3.4") << c.keys;
    EXPECT_EQ(fields.hasAgent, c.hasAgent) << c.keys;
    EXPECT_EQ(fields.agent, c.agent) << c.keys;
    EXPECT_EQ(fields.others, c.others) << c.keys;
  }
}

TEST(JsonKeysTest, ReadsPathsInAnyOrderWithSpaces) {
  const auto keys =
      parseJsonKeys(" time = ts , agent=request.headers.User-Agent[0], address=ip ", nullptr);
  ASSERT_TRUE(keys);
  EXPECT_EQ(keys->address, (KeyPath{std::string("ip")}));
  EXPECT_EQ(keys->time, (KeyPath{std::string("ts")}));
  EXPECT_EQ(keys->agent, (KeyPath{std::string("request"), std::string("headers"),
                                  std::string("User-Agent"), std::size_t{0}}));
  const auto noAgent = parseJsonKeys("address=a[2][10].b,time=t", nullptr);
  ASSERT_TRUE(noAgent);
  EXPECT_EQ(noAgent->address,
            (KeyPath{std::string("a"), std::size_t{2}, std::size_t{10}, std::string("b")}));
  EXPECT_FALSE(noAgent->agent);
}

TEST(JsonKeysTest, SaysWhatIsWrong) {
  const struct {
    const char* text;
    const char* problem;
  } cases[] = {
      {"address=ip", "the JSON keys lack time=KEY"},
      {"time=ts,agent=ua", "the JSON keys lack address=KEY"},
      {"", "the JSON keys lack address=KEY"},
      {"address=ip,time=ts,host=h",
       "unknown name 'host' in the JSON keys (address, time or agent)"},
      {"address,time=ts",
       "'address' in the JSON keys has no '=' (address=KEY, time=KEY, agent=KEY)"},
      {"address=,time=ts", "the JSON key of address is empty"},
      {"address=ip,time=ts,address=a", "address is given twice in the JSON keys"},
      {"address=a..b,time=ts",
       "the JSON key 'a..b' is not names joined by '.', each with any [N] after it"},
      {"address=a.,time=ts",
       "the JSON key 'a.' is not names joined by '.', each with any [N] after it"},
      {"address=[0],time=ts",
       "the JSON key '[0]' is not names joined by '.', each with any [N] after it"},
      {"address=a[x],time=ts",
       "the JSON key 'a[x]' is not names joined by '.', each with any [N] after it"},
      {"address=a[],time=ts",
       "the JSON key 'a[]' is not names joined by '.', each with any [N] after it"},
      {"address=a[1,time=ts",
       "the JSON key 'a[1' is not names joined by '.', each with any [N] after it"},
      {"address=a[1]b,time=ts",
       "the JSON key 'a[1]b' is not names joined by '.', each with any [N] after it"},
      {"address=a]b,time=ts",
       "the JSON key 'a]b' is not names joined by '.', each with any [N] after it"},
      {"address=ip,time=ts,agent=ua[-1]",
       "the JSON key 'ua[-1]' is not names joined by '.', each with any [N] after it"},
  };
  for (const auto& bad : cases) {
    Message problem;
    EXPECT_FALSE(parseJsonKeys(bad.text, &problem)) << bad.text;
    EXPECT_EQ(problem.text(Wording()), bad.problem) << bad.text;
    // Each message has its Chinese words, the user's text kept as written.
    const std::string chinese = problem.text(ChineseWording());
    EXPECT_NE(chinese, bad.problem) << bad.text;
    EXPECT_NE(chinese.find("JSON"), std::string::npos) << bad.text;
  }
}

}  // namespace
}  // namespace crawlmeter
