// Times forward-confirmed reverse DNS over many distinct addresses against a local responder that
// waits before every answer, as a distant resolver would: dns_bench [ADDRESSES [DELAY_MS
// [IN_FLIGHT]]].
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <thread>

#include "verify/dns_lookup.h"

namespace {

using Clock = std::chrono::steady_clock;

// The question's name as text, and the offset after its type and class; 0 when unreadable.
std::size_t readQuestion(const std::string& query, std::string* name, int* type) {
  std::size_t at = 12;
  while (at < query.size() && query[at] != 0) {
    const std::size_t length = static_cast<unsigned char>(query[at]);
    if (!name->empty()) *name += '.';
    *name += query.substr(at + 1, length);
    at += length + 1;
  }
  if (at + 5 > query.size()) return 0;
  *type =
      (static_cast<unsigned char>(query[at + 1]) << 8) | static_cast<unsigned char>(query[at + 2]);
  return at + 5;
}

std::string encodedName(const std::string& name) {
  std::string encoded;
  for (std::size_t start = 0; start <= name.size();) {
    const std::size_t end = std::min(name.find('.', start), name.size());
    encoded += static_cast<char>(end - start);
    encoded += name.substr(start, end - start);
    start = end + 1;
  }
  return encoded + '\0';
}

// Every address a.b.c.d is h-a-b-c-d.bench.test, and that name's A record is the address.
std::string answerTo(const std::string& query) {
  std::string name;
  int type = 0;
  const std::size_t end = readQuestion(query, &name, &type);
  if (end == 0) return {};
  unsigned a = 0, b = 0, c = 0, d = 0;
  std::string rdata;
  if (type == 12 && std::sscanf(name.c_str(), "%u.%u.%u.%u.in-addr", &d, &c, &b, &a) == 4) {
    rdata = encodedName("h-" + std::to_string(a) + "-" + std::to_string(b) + "-" +
                        std::to_string(c) + "-" + std::to_string(d) + ".bench.test");
  } else if (type == 1 && std::sscanf(name.c_str(), "h-%u-%u-%u-%u.", &a, &b, &c, &d) == 4) {
    rdata = {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
             static_cast<char>(d)};
  }
  std::string reply = query.substr(0, end);
  reply[2] = static_cast<char>(0x81);
  reply[3] = static_cast<char>(rdata.empty() ? 0x83 : 0x80);  // NXDOMAIN without an answer
  reply[7] = rdata.empty() ? 0 : 1;
  if (!rdata.empty()) {
    const char record[] = {'\xc0', 12, 0, static_cast<char>(type),        0, 1, 0, 0,
                           0,      60, 0, static_cast<char>(rdata.size())};
    reply.append(record, sizeof record).append(rdata);
  }
  return reply;
}

void serve(int fd, std::chrono::milliseconds delay, const std::atomic<bool>& stopping) {
  struct Reply {
    std::string bytes;
    sockaddr_in to;
    Clock::time_point due;
  };
  std::deque<Reply> replies;
  while (!stopping) {
    while (!replies.empty() && replies.front().due <= Clock::now()) {
      sendto(fd, replies.front().bytes.data(), replies.front().bytes.size(), 0,
             reinterpret_cast<const sockaddr*>(&replies.front().to), sizeof(sockaddr_in));
      replies.pop_front();
    }
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, 1) <= 0) continue;
    char query[512];
    Reply reply{{}, {}, Clock::now() + delay};
    socklen_t size = sizeof reply.to;
    const ssize_t length =
        recvfrom(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&reply.to), &size);
    if (length < 12) continue;
    reply.bytes = answerTo(std::string(query, static_cast<std::size_t>(length)));
    if (!reply.bytes.empty()) replies.push_back(std::move(reply));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20000;
  const std::chrono::milliseconds delay(argc > 2 ? std::atoi(argv[2]) : 30);
  const std::size_t inFlight = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 64;
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    std::perror("dns_bench: 127.0.0.1");
    return 1;
  }
  std::atomic<bool> stopping{false};
  std::thread server(serve, fd, delay, std::cref(stopping));
  std::vector<crawlmeter::IpAddress> addresses(count);
  for (std::size_t i = 0; i < count; ++i) {  // 10.0.0.0 onwards, IPv4-mapped
    addresses[i].bytes[10] = addresses[i].bytes[11] = 0xff;
    addresses[i].bytes[12] = 10;
    addresses[i].bytes[13] = static_cast<std::uint8_t>(i >> 16);
    addresses[i].bytes[14] = static_cast<std::uint8_t>(i >> 8);
    addresses[i].bytes[15] = static_cast<std::uint8_t>(i);
  }
  const crawlmeter::DnsChoice choice{"127.0.0.1:" + std::to_string(ntohs(address.sin_port)),
                                     inFlight, std::chrono::milliseconds(2000)};
  const Clock::time_point start = Clock::now();
  const auto found = crawlmeter::confirmNames(addresses, choice);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  stopping = true;
  server.join();
  close(fd);
  if (found.failed()) {
    std::fprintf(stderr, "dns_bench: the resolver did not start\n");
    return 1;
  }
  std::size_t confirmed = 0;
  for (const crawlmeter::DnsFinding& finding : *found) confirmed += finding.confirmedNames.size();
  std::printf("%zu addresses, %lld ms per answer, %zu in flight: %.2f s, %zu confirmed\n", count,
              static_cast<long long>(delay.count()), inFlight, seconds, confirmed);
  return confirmed == count ? 0 : 1;
}
