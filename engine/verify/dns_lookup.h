// Forward-confirmed reverse DNS of client addresses: the names an address's PTR records give whose
// own A or AAAA records hold the address again. The only part of the program that asks the
// network anything, and only when the user asks it to.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "verify/dns_finding.h"
#include "verify/ip_address.h"

namespace crawlmeter {

// Which resolver is asked, and how hard.
struct DnsChoice {
  // "ADDRESS[:PORT]" or "[IPV6]:PORT" (a bare IPv6 address too); the system's resolvers when
  // unset. checkDnsServer() says whether a text is one.
  std::optional<std::string> server;
  std::size_t inFlight = 64;  // the most queries outstanding at once (0 counts as 1)
  // How long one query waits for its answer; each query is sent once.
  std::chrono::milliseconds timeout{2000};
};

// Whether text names a DNS server as DnsChoice::server takes it: a numeric address, with a port
// from 1 to 65535 or none (53). A kResolver Error whose detail says what is wrong otherwise.
Error checkDnsServer(std::string_view text);

// One finding per address, in order. Every address is asked for its PTR records, and each of the
// first four names they give for its A records (IPv4) or AAAA records (IPv6); a name whose answer
// holds the address is confirmed. A finding is answered only when every query it needed was
// answered (an answer, "no such name" or "no such record"); a timeout, a server failure or
// refusal, or an answer that cannot be read leaves it unanswered, never a finding of no name.
// Fails (kResolver) only when the resolver cannot start or the server is not one, and
// (kCancelled) when cancelRequested, asked between answers, returns true. One call at a time:
// c-ares's library start is not safe from two threads at once.
Expected<std::vector<DnsFinding>> confirmNames(std::span<const IpAddress> addresses,
                                               const DnsChoice& choice,
                                               const std::function<bool()>& cancelRequested = {});

}  // namespace crawlmeter
