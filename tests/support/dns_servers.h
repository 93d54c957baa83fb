// DNS servers for tests, on 127.0.0.1 only: dnsmasq answering from records the test gives (POSIX
// only), and a tiny server of our own that answers badly (garbage, a truncated reply, too late,
// or never), on every system.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "temp_folder.h"
#include "verify/dns_finding.h"
#include "verify/ip_address.h"

namespace crawlmeter {
// How GoogleTest shows a finding: "answered: name, name" or "unanswered".
void PrintTo(const DnsFinding& finding, std::ostream* out);
}  // namespace crawlmeter

namespace crawlmeter::testing {

// The address text names (IPv4 or IPv6, numeric); throws for anything else.
IpAddress testAddress(std::string_view text);

// A server that answers every query badly, on a thread of its own; stopped when destroyed.
class BadDnsServer {
 public:
  enum class Answer { kGarbage, kTruncated, kLate, kNone };
  explicit BadDnsServer(Answer answer);
  ~BadDnsServer();
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }
  int queriesSeen() const { return queries_; }

 private:
  void serve();

  Answer answer_;
  std::uintptr_t socket_ = 0;  // a descriptor, or a Windows SOCKET
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> queries_{0};
  std::thread thread_;
};

#if !defined(_WIN32)

// dnsmasq on 127.0.0.1 and a free port, answering only from records (its options, such as
// "--host-record=NAME,ADDRESS" or "--ptr-record=REVERSE-NAME,NAME") and saying "no such name"
// for anything else under .arpa, .com and .ru. Stopped when destroyed.
class Dnsmasq {
 public:
  // nullptr, with *whyNot saying why, when dnsmasq is not installed or does not start.
  static std::unique_ptr<Dnsmasq> start(const std::vector<std::string>& records,
                                        std::string* whyNot);
  ~Dnsmasq();
  void stop();
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  Dnsmasq() = default;
  TempFolder folder_;
  int pid_ = -1;
  int port_ = 0;
};

#endif

}  // namespace crawlmeter::testing
