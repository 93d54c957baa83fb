// Reading a JSON-lines record in one pass of simdjson's on-demand parser: every scalar goes to the
// record's others in document order, and the values at the key paths of interest are noted on the
// way, so that no key is looked up twice and no line allocates once the buffers have grown; the
// address and the agent are then taken out of the others.
#include "logformat/json_reader.h"

#include <simdjson.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace crawlmeter {
namespace {

namespace ondemand = simdjson::ondemand;

// The keys each server writes, tried in this order; within a row the first key present wins.
// nginx's keys are those of templates that name each key after its variable; a record of nginx's
// that writes the agent as "user_agent" is read too.
struct ServerKeys {
  const char* server;
  std::array<const char*, 2> addresses;
  std::array<const char*, 3> times;
  std::array<const char*, 2> agents;
};
constexpr std::array<ServerKeys, 4> kServerKeys = {{
    {"Caddy",
     {"request.client_ip", "request.remote_ip"},
     {"ts"},
     {"request.headers.User-Agent[0]"}},
    {"Traefik", {"ClientHost"}, {"StartUTC", "StartLocal"}, {"request_User-Agent"}},
    {"nginx",
     {"remote_addr"},
     {"time_iso8601", "time_local", "msec"},
     {"http_user_agent", "user_agent"}},
    {"Cloudflare", {"ClientIP"}, {"EdgeStartTimestamp"}, {"ClientRequestUserAgent"}},
}};

// Every key path of every set is a bit of a 64-bit mask.
using PathMask = std::uint64_t;

// The indexes (into the reader's paths) of one set's keys, each list in order of preference.
struct KeySet {
  std::vector<std::size_t> addresses;
  std::vector<std::size_t> times;
  std::vector<std::size_t> agents;  // none: the records have no agent
  PathMask paths = 0;               // all of the above
};

// Where a path's value landed in others, for the line being read.
struct Capture {
  std::size_t at = 0;
  std::size_t length = 0;
  bool number = false;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// JSON's number grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?. The on-demand parser
// checks a number only when asked for its value, and the text is all this reader wants.
bool isJsonNumber(std::string_view text) {
  std::size_t at = 0;
  auto digits = [&] {
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at])) ++at;
    return at > start;
  };
  if (at < text.size() && text[at] == '-') ++at;
  if (at < text.size() && text[at] == '0') {
    ++at;
  } else if (!digits()) {
    return false;
  }
  if (at < text.size() && text[at] == '.' && (++at, !digits())) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (!digits()) return false;
  }
  return at == text.size();
}

std::string_view withoutTrailingSpace(std::string_view token) {
  while (!token.empty() && (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' ||
                            token.back() == '\r')) {
    token.remove_suffix(1);
  }
  return token;
}

}  // namespace

struct JsonReader::State {
  ondemand::parser parser;
  std::vector<char> padded;    // the line and the zeros the parser may read past its end
  std::vector<KeyPath> paths;  // every key path of every set, once
  std::vector<KeySet> sets;
  std::size_t lastSet = 0;  // the set that read the last record, tried first
  std::vector<Capture> captures;
  PathMask captured = 0;
  std::string* others = nullptr;
  bool escapes = false;  // the line holds a backslash: its strings may need decoding

  std::size_t pathIndex(KeyPath path);
  void add(KeySet set);
  bool walk(ondemand::value& value, int depth, std::size_t step, PathMask alive);
  bool walkObject(ondemand::object object, int depth, std::size_t step, PathMask alive);
  bool walkArray(ondemand::array array, int depth, std::size_t step, PathMask alive);
  bool appendScalar(ondemand::value& value, ondemand::json_type type, std::size_t step,
                    PathMask alive);
  bool appendString(ondemand::value& value);
  PathMask nextByKey(ondemand::field& field, std::size_t step, PathMask alive, bool& ok) const;
  void note(PathMask alive, std::size_t step, std::size_t at, bool number);
  bool parse(std::string_view line, PathMask wanted);
  bool take(const KeySet& set, RecordFields& fields) const;
};

std::size_t JsonReader::State::pathIndex(KeyPath path) {
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (paths[i] == path) return i;
  }
  paths.push_back(std::move(path));
  captures.resize(paths.size());
  return paths.size() - 1;
}

void JsonReader::State::add(KeySet set) {
  for (const std::size_t path : set.addresses) set.paths |= PathMask{1} << path;
  for (const std::size_t path : set.times) set.paths |= PathMask{1} << path;
  for (const std::size_t path : set.agents) set.paths |= PathMask{1} << path;
  sets.push_back(std::move(set));
}

// Notes the scalar just appended at others[at...] for the paths of alive that end here.
void JsonReader::State::note(PathMask alive, std::size_t step, std::size_t at, bool number) {
  for (PathMask rest = alive & ~captured; rest != 0; rest &= rest - 1) {
    const int path = std::countr_zero(rest);
    if (paths[path].size() != step) continue;
    captures[path] = Capture{at, others->size() - at, number};
    captured |= PathMask{1} << path;
  }
}

// The paths of alive whose step names key. A key is decoded only while a path may still take it,
// or when it may hold an escape that must be checked.
PathMask JsonReader::State::nextByKey(ondemand::field& field, std::size_t step, PathMask alive,
                                      bool& ok) const {
  alive &= ~captured;
  if (alive == 0 && !escapes) return 0;
  std::string_view key;
  if (field.unescaped_key().get(key) != simdjson::SUCCESS) {
    ok = false;
    return 0;
  }
  PathMask next = 0;
  for (PathMask rest = alive; rest != 0; rest &= rest - 1) {
    const int path = std::countr_zero(rest);
    if (paths[path].size() <= step) continue;
    const auto* name = std::get_if<std::string>(&paths[path][step]);
    if (name != nullptr && *name == key) next |= PathMask{1} << path;
  }
  return next;
}

bool JsonReader::State::walkObject(ondemand::object object, int depth, std::size_t step,
                                   PathMask alive) {
  for (auto member : object) {
    if (member.error() != simdjson::SUCCESS) return false;
    // Used in place: a copy reads the field whole right after it was written in parts, and stalls.
    ondemand::field& field = member.value_unsafe();
    bool ok = true;
    const PathMask next = nextByKey(field, step, alive, ok);
    if (!ok || !walk(field.value(), depth, step + 1, next)) return false;
  }
  return true;
}

bool JsonReader::State::walkArray(ondemand::array array, int depth, std::size_t step,
                                  PathMask alive) {
  std::size_t element = 0;
  for (auto item : array) {
    PathMask next = 0;
    alive &= ~captured;
    for (PathMask rest = alive; rest != 0; rest &= rest - 1) {
      const int path = std::countr_zero(rest);
      if (paths[path].size() <= step) continue;
      const auto* position = std::get_if<std::size_t>(&paths[path][step]);
      if (position != nullptr && *position == element) next |= PathMask{1} << path;
    }
    if (item.error() != simdjson::SUCCESS || !walk(item.value_unsafe(), depth, step + 1, next)) {
      return false;
    }
    ++element;
  }
  return true;
}

// Walks one value at nesting depth (the record's object is 1): containers member by member,
// scalars to others. alive: the paths whose first steps lead here.
// Values are passed by reference for the same reason as fields in walkObject.
bool JsonReader::State::walk(ondemand::value& value, int depth, std::size_t step, PathMask alive) {
  ondemand::json_type type;
  if (value.type().get(type) != simdjson::SUCCESS) return false;
  if (type == ondemand::json_type::object) {
    ondemand::object object;
    return depth < kDeepestNesting && value.get_object().get(object) == simdjson::SUCCESS &&
           walkObject(object, depth + 1, step, alive);
  }
  if (type == ondemand::json_type::array) {
    ondemand::array array;
    return depth < kDeepestNesting && value.get_array().get(array) == simdjson::SUCCESS &&
           walkArray(array, depth + 1, step, alive);
  }
  if (type == ondemand::json_type::null) {
    bool null = false;
    return value.is_null().get(null) == simdjson::SUCCESS && null;
  }
  return appendScalar(value, type, step, alive);
}

// Appends a string (decoded), a number (as written) or a boolean and its '\t' to others.
bool JsonReader::State::appendScalar(ondemand::value& value, ondemand::json_type type,
                                     std::size_t step, PathMask alive) {
  const std::size_t at = others->size();
  if (type == ondemand::json_type::string) {
    if (!appendString(value)) return false;
    note(alive, step, at, false);
  } else if (type == ondemand::json_type::number) {
    const std::string_view text = withoutTrailingSpace(value.raw_json_token());
    if (!isJsonNumber(text)) return false;
    others->append(text);
    note(alive, step, at, true);
  } else {
    bool truth = false;
    if (value.get_bool().get(truth) != simdjson::SUCCESS) return false;
    others->append(truth ? "true" : "false");
  }
  others->push_back('\t');
  return true;
}

// A string of a line without a backslash is its bytes between the quotes: the parser has checked
// them already (UTF-8, no control character), and only an escape could make decoding fail.
bool JsonReader::State::appendString(ondemand::value& value) {
  if (!escapes) {
    const std::string_view token = withoutTrailingSpace(value.raw_json_token());
    others->append(token.substr(1, token.size() - 2));
    return true;
  }
  std::string_view text;
  if (value.get_string().get(text) != simdjson::SUCCESS) return false;
  others->append(text);
  return true;
}

// Parses line into others and the captures; false when it is not one valid JSON object.
bool JsonReader::State::parse(std::string_view line, PathMask wanted) {
  const std::size_t needed = line.size() + simdjson::SIMDJSON_PADDING;
  if (padded.size() < needed) padded.resize(needed);
  std::memcpy(padded.data(), line.data(), line.size());
  std::memset(padded.data() + line.size(), 0, simdjson::SIMDJSON_PADDING);
  captured = 0;
  escapes = std::memchr(line.data(), '\\', line.size()) != nullptr;
  ondemand::document document;
  if (parser.iterate(padded.data(), line.size(), padded.size()).get(document) !=
      simdjson::SUCCESS) {
    return false;
  }
  ondemand::object object;
  if (document.get_object().get(object) != simdjson::SUCCESS) return false;
  if (!walkObject(object, 1, 0, wanted)) return false;
  // Whatever follows the object makes the line invalid.
  return document.current_location().error() == simdjson::OUT_OF_BOUNDS;
}

// Fills fields from the set's first present address, time and agent, and takes the address and
// the agent out of others; false when the address or the time is missing or the time does not
// read. A set that names agent keys gives every record an agent: empty when none of its keys is
// present (or each is null or not a string or number), as a record's agent may be left out.
bool JsonReader::State::take(const KeySet& set, RecordFields& fields) const {
  auto first = [&](const std::vector<std::size_t>& choices, bool emptyToo) -> const Capture* {
    for (const std::size_t path : choices) {
      if ((captured >> path & 1) != 0 && (emptyToo || captures[path].length > 0)) {
        return &captures[path];
      }
    }
    return nullptr;
  };
  const Capture* address = first(set.addresses, false);
  const Capture* time = first(set.times, false);
  if (address == nullptr || time == nullptr) return false;
  const std::string_view text = std::string_view(*others).substr(time->at, time->length);
  const auto civil = time->number ? parseEpochTime(text) : parseAnyTime(text);
  if (!civil) return false;
  fields.time = *civil;
  fields.address.assign(*others, address->at, address->length);
  const Capture* agent = first(set.agents, true);
  fields.hasAgent = !set.agents.empty();
  if (agent != nullptr) fields.agent.assign(*others, agent->at, agent->length);
  // Each value leaves with its tab, the later one first so that the earlier stays where it is;
  // a user's agent key may be the address key itself.
  const Capture* later = agent != nullptr && agent->at > address->at ? agent : address;
  const Capture* earlier = later == agent ? address : agent;
  others->erase(later->at, later->length + 1);
  if (earlier != nullptr && earlier->at != later->at) {
    others->erase(earlier->at, earlier->length + 1);
  }
  return true;
}

JsonReader::JsonReader() : state_(std::make_unique<State>()) {
  for (const ServerKeys& server : kServerKeys) {
    KeySet set;
    for (const char* key : server.addresses) {
      if (key != nullptr) set.addresses.push_back(state_->pathIndex(*parseKeyPath(key)));
    }
    for (const char* key : server.times) {
      if (key != nullptr) set.times.push_back(state_->pathIndex(*parseKeyPath(key)));
    }
    for (const char* key : server.agents) {
      if (key != nullptr) set.agents.push_back(state_->pathIndex(*parseKeyPath(key)));
    }
    state_->add(std::move(set));
  }
}

JsonReader::JsonReader(const JsonKeys& keys) : state_(std::make_unique<State>()) {
  KeySet set;
  set.addresses.push_back(state_->pathIndex(keys.address));
  set.times.push_back(state_->pathIndex(keys.time));
  if (keys.agent) set.agents.push_back(state_->pathIndex(*keys.agent));
  state_->add(std::move(set));
}

JsonReader::~JsonReader() = default;

// The keys that read the last record are looked for first, and alone: records of one log are
// alike. Only when they do not read this one is it read again, for every set's keys.
LineKind JsonReader::read(std::string_view line, RecordFields& fields) {
  State& state = *state_;
  fields.clear();
  state.others = &fields.others;
  if (!state.parse(line, state.sets[state.lastSet].paths)) return LineKind::kNotUnderstood;
  if (state.take(state.sets[state.lastSet], fields)) return LineKind::kRecord;
  if (state.sets.size() == 1) return LineKind::kNotUnderstood;
  PathMask all = 0;
  for (const KeySet& set : state.sets) all |= set.paths;
  fields.others.clear();
  if (!state.parse(line, all)) return LineKind::kNotUnderstood;
  for (std::size_t set = 0; set < state.sets.size(); ++set) {
    if (set != state.lastSet && state.take(state.sets[set], fields)) {
      state.lastSet = set;
      return LineKind::kRecord;
    }
  }
  return LineKind::kNotUnderstood;
}

}  // namespace crawlmeter
