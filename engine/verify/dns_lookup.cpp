// Forward-confirmed reverse DNS with c-ares: one channel, a queue of queries of which at most
// inFlight are outstanding, and a poll loop over the channel's sockets.
//
// Queries go out through ares_query rather than ares_gethostbyaddr or ares_gethostbyname: those
// report a timeout or a server failure as "not found" once their last lookup method fails, which
// would make an address whose lookup failed look like one without a name. ares_query reads no
// hosts file and appends no search domain either, so only DNS is asked.
#include "verify/dns_lookup.h"

#include <ares.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netdb.h>
#include <poll.h>
#endif

namespace crawlmeter {
namespace {

constexpr int kClassIn = 1;
constexpr int kTypeA = 1;
constexpr int kTypePtr = 12;
constexpr int kTypeAaaa = 28;
constexpr std::size_t kMostNamesChecked = 4;
// The longest wait between looks at cancelRequested.
constexpr long kLongestWaitMicroseconds = 100'000;

#ifdef _WIN32
using PollEntry = WSAPOLLFD;
int pollEntries(PollEntry* entries, std::size_t count, int milliseconds) {
  return WSAPoll(entries, static_cast<ULONG>(count), milliseconds);
}
#else
using PollEntry = pollfd;
int pollEntries(PollEntry* entries, std::size_t count, int milliseconds) {
  return poll(entries, static_cast<nfds_t>(count), milliseconds);
}
#endif

struct ServerAddress {
  std::string address;
  bool v6 = false;
  unsigned port = 53;
};

Error badServer(std::string_view text, const char* why) {
  return Error::described(Error::What::kResolver, std::string(text), Message(why));
}

std::optional<unsigned> portOf(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned port = 0;
  for (const char digit : digits) {
    if (digit < '0' || digit > '9') return std::nullopt;
    port = port * 10 + static_cast<unsigned>(digit - '0');
  }
  if (port == 0 || port > 65535) return std::nullopt;
  return port;
}

Expected<ServerAddress> parseServer(std::string_view text) {
  ServerAddress server;
  std::optional<std::string_view> port;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    const std::string_view rest = close == text.npos ? "" : text.substr(close + 1);
    if (close == text.npos || (!rest.empty() && rest.front() != ':')) {
      return badServer(text, translatable("an IPv6 server is written [ADDRESS]:PORT"));
    }
    server = {std::string(text.substr(1, close - 1)), true, 53};
    if (!rest.empty()) port = rest.substr(1);
  } else if (std::count(text.begin(), text.end(), ':') > 1) {
    server = {std::string(text), true, 53};
  } else {
    const std::size_t colon = text.find(':');
    server = {std::string(text.substr(0, colon)), false, 53};
    if (colon != text.npos) port = text.substr(colon + 1);
  }
  // ares_inet_pton takes "1.2.3" for 1.2.0.3 too: an IPv4 server is four decimal numbers.
  const bool dotted = std::count(server.address.begin(), server.address.end(), '.') == 3 &&
                      server.address.find_first_not_of("0123456789.") == std::string::npos;
  unsigned char bytes[16];
  if ((!server.v6 && !dotted) ||
      ares_inet_pton(server.v6 ? AF_INET6 : AF_INET, server.address.c_str(), bytes) != 1) {
    return badServer(text, translatable("a DNS server is given by its IPv4 or IPv6 address"));
  }
  if (port) {
    const std::optional<unsigned> number = portOf(*port);
    if (!number) return badServer(text, translatable("the port is not a number from 1 to 65535"));
    server.port = *number;
  }
  return server;
}

bool isMappedV4(const IpAddress& address) {
  static constexpr std::uint8_t kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  return std::memcmp(address.bytes.data(), kPrefix, sizeof kPrefix) == 0;
}

// The name PTR records of address are kept under: in-addr.arpa or ip6.arpa.
std::string reverseName(const IpAddress& address) {
  std::string name;
  if (isMappedV4(address)) {
    for (std::size_t i = 16; i-- > 12;) name += std::to_string(address.bytes[i]) + ".";
    return name + "in-addr.arpa";
  }
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 16; i-- > 0;) {
    name += {kHex[address.bytes[i] & 0xf], '.', kHex[address.bytes[i] >> 4], '.'};
  }
  return name + "ip6.arpa";
}

std::string normalName(std::string name) {
  if (name.ends_with('.')) name.pop_back();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

Error resolverFailure(int status) {
  return Error::described(Error::What::kResolver, {},
                          Message(translatable("the DNS resolver could not start: %s"),
                                  std::string(ares_strerror(status))));
}

// What is learned of one address while its queries are answered.
struct AddressState {
  std::vector<std::string> names;  // the PTR names checked, in their order
  std::vector<bool> confirmed;     // by names' index
  bool failed = false;
};

class Lookup {
 public:
  Lookup(std::span<const IpAddress> addresses, std::size_t inFlight)
      : addresses_(addresses),
        states_(addresses.size()),
        inFlight_(std::max<std::size_t>(1, inFlight)) {}
  Lookup(const Lookup&) = delete;
  Lookup& operator=(const Lookup&) = delete;
  ~Lookup() {
    // Ends the queries still out; their callbacks run now, while this object lives.
    if (channel_ != nullptr) ares_destroy(channel_);
    if (libraryStarted_) ares_library_cleanup();
  }

  Error start(const DnsChoice& choice);
  Error run(const std::function<bool()>& cancelRequested);
  std::vector<DnsFinding> findings() const;

 private:
  struct Query {
    Lookup* lookup;
    std::size_t address;
    std::size_t name;  // in the address's names; unused for its PTR query
    bool ptr;
  };
  static void answered(void* query, int status, int timeouts, unsigned char* answer, int length);
  void take(const Query& query, int status, const unsigned char* answer, int length);
  void takePtr(std::size_t address, const unsigned char* answer, int length);
  void takeForward(const Query& query, const unsigned char* answer, int length);
  void sendWaiting();
  void waitAndProcess();

  std::span<const IpAddress> addresses_;
  std::vector<AddressState> states_;
  std::size_t inFlight_;
  std::size_t nextAddress_ = 0;
  std::size_t outstanding_ = 0;
  std::deque<Query> waiting_;  // forward queries, sent before the next address's PTR
  bool libraryStarted_ = false;
  ares_channel channel_ = nullptr;
};

Error Lookup::start(const DnsChoice& choice) {
  std::string servers;
  if (choice.server) {
    const Expected<ServerAddress> server = parseServer(*choice.server);
    if (server.failed()) return server.error();
    servers = (server->v6 ? "[" + server->address + "]" : server->address) + ":" +
              std::to_string(server->port);
  }
  int status = ares_library_init(ARES_LIB_INIT_ALL);
  if (status != ARES_SUCCESS) return resolverFailure(status);
  libraryStarted_ = true;
  ares_options options{};
  options.flags = ARES_FLAG_NOSEARCH;
  options.timeout = static_cast<int>(std::max<long long>(1, choice.timeout.count()));
  // One try: a resolver that does not answer in time is as likely to be down as slow, and a
  // retry would double the run's longest wait for a finding that stays unanswered either way.
  options.tries = 1;
  options.lookups = const_cast<char*>("b");
  const int mask = ARES_OPT_FLAGS | ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_LOOKUPS;
  status = ares_init_options(&channel_, &options, mask);
  if (status != ARES_SUCCESS) {
    channel_ = nullptr;
    return resolverFailure(status);
  }
  if (!servers.empty() && (status = ares_set_servers_ports_csv(channel_, servers.c_str())) != 0) {
    return resolverFailure(status);
  }
  return Error();
}

void Lookup::answered(void* query, int status, int, unsigned char* answer, int length) {
  const std::unique_ptr<Query> owned(static_cast<Query*>(query));
  --owned->lookup->outstanding_;
  owned->lookup->take(*owned, status, answer, length);
}

void Lookup::take(const Query& query, int status, const unsigned char* answer, int length) {
  if (status == ARES_ENOTFOUND || status == ARES_ENODATA) return;  // answered: no such record
  if (status != ARES_SUCCESS) {
    states_[query.address].failed = true;
    return;
  }
  if (query.ptr) {
    takePtr(query.address, answer, length);
  } else {
    takeForward(query, answer, length);
  }
}

void Lookup::takePtr(std::size_t address, const unsigned char* answer, int length) {
  const IpAddress& ip = addresses_[address];
  const bool v4 = isMappedV4(ip);
  hostent* host = nullptr;
  const int status = ares_parse_ptr_reply(answer, length, ip.bytes.data() + (v4 ? 12 : 0),
                                          v4 ? 4 : 16, v4 ? AF_INET : AF_INET6, &host);
  AddressState& state = states_[address];
  if (status != ARES_SUCCESS) {
    state.failed = status != ARES_ENODATA;
    return;
  }
  // c-ares lists every PTR name among the aliases and repeats one as h_name.
  auto add = [&state](const char* name) {
    std::string normal = normalName(name);
    if (state.names.size() < kMostNamesChecked && !normal.empty() &&
        std::find(state.names.begin(), state.names.end(), normal) == state.names.end()) {
      state.names.push_back(std::move(normal));
    }
  };
  for (char** alias = host->h_aliases; alias != nullptr && *alias != nullptr; ++alias) add(*alias);
  if (host->h_name != nullptr) add(host->h_name);
  ares_free_hostent(host);
  state.confirmed.assign(state.names.size(), false);
  for (std::size_t name = 0; name < state.names.size(); ++name) {
    waiting_.push_back(Query{this, address, name, false});
  }
}

void Lookup::takeForward(const Query& query, const unsigned char* answer, int length) {
  const IpAddress& ip = addresses_[query.address];
  const bool v4 = isMappedV4(ip);
  hostent* host = nullptr;
  const int status = v4 ? ares_parse_a_reply(answer, length, &host, nullptr, nullptr)
                        : ares_parse_aaaa_reply(answer, length, &host, nullptr, nullptr);
  AddressState& state = states_[query.address];
  if (status != ARES_SUCCESS) {
    state.failed = status != ARES_ENODATA;
    return;
  }
  const int size = v4 ? 4 : 16;
  for (char** held = host->h_addr_list; host->h_length == size && *held != nullptr; ++held) {
    if (std::memcmp(*held, ip.bytes.data() + (v4 ? 12 : 0), size) == 0) {
      state.confirmed[query.name] = true;
    }
  }
  ares_free_hostent(host);
}

void Lookup::sendWaiting() {
  while (outstanding_ < inFlight_ && (!waiting_.empty() || nextAddress_ < addresses_.size())) {
    Query query{this, nextAddress_, 0, true};
    if (!waiting_.empty()) {
      query = waiting_.front();
      waiting_.pop_front();
      if (states_[query.address].failed) continue;  // nothing more can be learned of it
    } else {
      ++nextAddress_;
    }
    const IpAddress& ip = addresses_[query.address];
    const std::string name = query.ptr ? reverseName(ip) : states_[query.address].names[query.name];
    const int type = query.ptr ? kTypePtr : isMappedV4(ip) ? kTypeA : kTypeAaaa;
    ++outstanding_;  // before the call: c-ares may answer at once
    ares_query(channel_, name.c_str(), kClassIn, type, &Lookup::answered, new Query(query));
  }
}

void Lookup::waitAndProcess() {
  ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
  const int bits = ares_getsock(channel_, sockets, ARES_GETSOCK_MAXNUM);
  std::vector<PollEntry> entries;
  for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
    const bool readable = ARES_GETSOCK_READABLE(bits, i);
    const bool writable = ARES_GETSOCK_WRITABLE(bits, i);
    if (!readable && !writable) break;
    PollEntry entry{};
    entry.fd = sockets[i];
    entry.events = static_cast<short>((readable ? POLLIN : 0) | (writable ? POLLOUT : 0));
    entries.push_back(entry);
  }
  timeval longest{0, kLongestWaitMicroseconds};
  timeval wait{};
  const timeval* until = ares_timeout(channel_, &longest, &wait);
  const int milliseconds = static_cast<int>(until->tv_sec * 1000 + (until->tv_usec + 999) / 1000);
  if (entries.empty()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  } else if (pollEntries(entries.data(), entries.size(), milliseconds) > 0) {
    for (const PollEntry& entry : entries) {
      const bool read = (entry.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
      const bool write = (entry.revents & POLLOUT) != 0;
      if (read || write) {
        ares_process_fd(channel_, read ? entry.fd : ARES_SOCKET_BAD,
                        write ? entry.fd : ARES_SOCKET_BAD);
      }
    }
    return;
  }
  ares_process_fd(channel_, ARES_SOCKET_BAD, ARES_SOCKET_BAD);  // only the timeouts
}

Error Lookup::run(const std::function<bool()>& cancelRequested) {
  sendWaiting();
  while (outstanding_ > 0) {
    if (cancelRequested && cancelRequested()) return Error::of(Error::What::kCancelled, {});
    waitAndProcess();
    sendWaiting();
  }
  return Error();
}

std::vector<DnsFinding> Lookup::findings() const {
  std::vector<DnsFinding> findings(states_.size());
  for (std::size_t i = 0; i < states_.size(); ++i) {
    findings[i].answered = !states_[i].failed;
    for (std::size_t name = 0; findings[i].answered && name < states_[i].names.size(); ++name) {
      if (states_[i].confirmed[name]) findings[i].confirmedNames.push_back(states_[i].names[name]);
    }
  }
  return findings;
}

}  // namespace

Error checkDnsServer(std::string_view text) {
  const Expected<ServerAddress> server = parseServer(text);
  return server.ok() ? Error() : server.error();
}

Expected<std::vector<DnsFinding>> confirmNames(std::span<const IpAddress> addresses,
                                               const DnsChoice& choice,
                                               const std::function<bool()>& cancelRequested) {
  Lookup lookup(addresses, choice.inFlight);
  if (Error error = lookup.start(choice); error.failed()) return error;
  if (addresses.empty()) return std::vector<DnsFinding>();
  if (Error error = lookup.run(cancelRequested); error.failed()) return error;
  return lookup.findings();
}

}  // namespace crawlmeter
