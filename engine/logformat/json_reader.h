// The reader of JSON-lines access logs (one JSON object a line, as Caddy, Traefik, nginx's
// escape=json templates and Cloudflare Logpush write them), and the user's own keys for others.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/wording.h"
#include "logformat/line_reader.h"

namespace crawlmeter {

// One step from a value into its child: an object's member by name, or an array's element by
// its position from 0.
using KeyStep = std::variant<std::string, std::size_t>;
// The steps from the record to a value: "request.headers.User-Agent[0]" is the member "request",
// its member "headers", its member "User-Agent" and that array's first element.
using KeyPath = std::vector<KeyStep>;

// The dotted path text parsed, or nullopt when it is not names joined by '.', each with any
// number of [N] after it. A name may hold any character but '.', '[' and ']'.
std::optional<KeyPath> parseKeyPath(std::string_view text);

// The keys of a user's records. Without an agent key the records have no agent; the crawler
// texts are searched in every value of a record anyway, as in the other formats.
struct JsonKeys {
  KeyPath address;
  KeyPath time;
  std::optional<KeyPath> agent;
};

// "address=KEY,time=KEY,agent=KEY" in any order, spaces around each part ignored; address and
// time are required. On failure *problem (when given) tells the user why.
std::optional<JsonKeys> parseJsonKeys(std::string_view text, Message* problem);

// Reads records of one JSON object a line. The address is the value at the address key (a string,
// or a number's text); the time a string of any shape parseAnyTime reads, or a number of seconds
// (or ms, us, ns) since the epoch. The agent is the string (or number's text) at the agent key;
// when the keys name one and a record's is missing or null, the record's agent is empty. Every
// other scalar value, keys not included and null skipped, goes to the record's others. Invalid JSON
// (invalid UTF-8 too), anything but an object, nesting deeper than kDeepestNesting, no address or
// no readable time: not understood.
//
// Made without keys, it tries the built-in keys (address, time and agent) of each server it knows
// for every record, the ones that read the last record first; made with a user's keys, it uses only
// those. One reader serves one thread: it keeps the parser and its buffers from line to line.
class JsonReader : public LineReader {
 public:
  static constexpr int kDeepestNesting = 64;

  JsonReader();
  explicit JsonReader(const JsonKeys& keys);
  ~JsonReader() override;
  JsonReader(const JsonReader&) = delete;
  JsonReader& operator=(const JsonReader&) = delete;

  LineKind read(std::string_view line, RecordFields& fields) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace crawlmeter
