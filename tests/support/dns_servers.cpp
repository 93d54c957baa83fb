// The tests' DNS servers: a bad server of our own on every system, and dnsmasq run as a child
// process on POSIX systems.
#include "dns_servers.h"

#include <chrono>
#include <deque>
#include <random>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#endif

namespace crawlmeter {

void PrintTo(const DnsFinding& finding, std::ostream* out) {
  *out << (finding.answered ? "answered:" : "unanswered");
  for (const std::string& name : finding.confirmedNames) *out << " " << name;
}

}  // namespace crawlmeter

namespace crawlmeter::testing {
namespace {

#ifdef _WIN32
using Socket = SOCKET;
using SocketLength = int;
constexpr Socket kNoSocket = INVALID_SOCKET;
void closeSocket(Socket socket) { closesocket(socket); }
int pollOne(Socket socket, int milliseconds) {
  WSAPOLLFD entry{socket, POLLIN, 0};
  return WSAPoll(&entry, 1, milliseconds);
}
#else
using Socket = int;
using SocketLength = socklen_t;
constexpr Socket kNoSocket = -1;
void closeSocket(Socket socket) { close(socket); }
int pollOne(Socket socket, int milliseconds) {
  pollfd entry{socket, POLLIN, 0};
  return poll(&entry, 1, milliseconds);
}
#endif

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A socket of type bound to 127.0.0.1:port (0: any free port); its port goes to *bound.
Socket boundSocket(int type, int port, int* bound) {
  const Socket fd = socket(AF_INET, type, 0);
  sockaddr_in address = loopback(port);
  SocketLength size = sizeof address;
  if (fd == kNoSocket || bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (fd != kNoSocket) closeSocket(fd);
    return kNoSocket;
  }
  *bound = ntohs(address.sin_port);
  return fd;
}

}  // namespace

IpAddress testAddress(std::string_view text) {
  const std::optional<IpAddress> address = parseIpAddress(text);
  if (!address) throw std::invalid_argument("not an address: " + std::string(text));
  return *address;
}

BadDnsServer::BadDnsServer(Answer answer) : answer_(answer) {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
  const Socket fd = boundSocket(SOCK_DGRAM, 0, &port_);
  if (fd == kNoSocket) throw std::runtime_error("cannot open a UDP socket on 127.0.0.1");
  socket_ = static_cast<std::uintptr_t>(fd);
  thread_ = std::thread([this] { serve(); });
}

BadDnsServer::~BadDnsServer() {
  stopping_ = true;
  thread_.join();
  closeSocket(static_cast<Socket>(socket_));
#ifdef _WIN32
  WSACleanup();
#endif
}

void BadDnsServer::serve() {
  struct Reply {
    std::string bytes;
    sockaddr_in to;
    std::chrono::steady_clock::time_point due;
  };
  const Socket fd = static_cast<Socket>(socket_);
  std::deque<Reply> replies;
  std::mt19937 random(7);
  while (!stopping_) {
    while (!replies.empty() && replies.front().due <= std::chrono::steady_clock::now()) {
      const Reply& reply = replies.front();
      sendto(fd, reply.bytes.data(), static_cast<int>(reply.bytes.size()), 0,
             reinterpret_cast<const sockaddr*>(&reply.to), sizeof reply.to);
      replies.pop_front();
    }
    if (pollOne(fd, 20) <= 0) continue;
    char query[512];
    Reply reply{{}, {}, std::chrono::steady_clock::now()};
    SocketLength size = sizeof reply.to;
    const auto length =
        recvfrom(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&reply.to), &size);
    if (length < 12) continue;
    ++queries_;
    reply.bytes.assign(query, static_cast<std::size_t>(length));
    reply.bytes[2] = static_cast<char>(reply.bytes[2] | 0x80);  // a response
    switch (answer_) {
      case Answer::kGarbage:  // the query's id, then noise
        for (std::size_t i = 2; i < reply.bytes.size(); ++i) {
          reply.bytes[i] = static_cast<char>(random());
        }
        break;
      case Answer::kTruncated:
        reply.bytes[2] = static_cast<char>(reply.bytes[2] | 0x02);
        break;
      case Answer::kLate:  // "no such name", after three seconds
        reply.bytes[3] = static_cast<char>((reply.bytes[3] & 0xf0) | 3);
        reply.due += std::chrono::seconds(3);
        break;
      case Answer::kNone:
        continue;
    }
    replies.push_back(std::move(reply));
  }
}

#if !defined(_WIN32)

namespace {

std::string dnsmasqProgram() {
  std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  path += ":/usr/sbin:/sbin";
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    const std::filesystem::path program =
        std::filesystem::path(path.substr(start, end - start)) / "dnsmasq";
    if (end > start && access(program.c_str(), X_OK) == 0) return program.string();
    start = end + 1;
  }
  return {};
}

bool acceptsTcp(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = loopback(port);
  const bool accepted =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return accepted;
}

// A UDP port on 127.0.0.1 that nothing holds now.
int freePort() {
  int port = 0;
  const int fd = boundSocket(SOCK_DGRAM, 0, &port);
  if (fd >= 0) close(fd);
  return port;
}

// dnsmasq alone on 127.0.0.1:port, with no upstream server, hosts file or configuration of the
// system, keeping the user it runs as (it would change to nobody, who cannot read folder).
std::vector<std::string> dnsmasqArguments(const std::string& program, int port,
                                          const TempFolder& folder) {
  const std::string user = getpwuid(getuid()) != nullptr ? getpwuid(getuid())->pw_name : "";
  const std::string group = getgrgid(getgid()) != nullptr ? getgrgid(getgid())->gr_name : "";
  return {program,
          "--no-daemon",
          "--port=" + std::to_string(port),
          "--listen-address=127.0.0.1",
          "--bind-interfaces",
          "--no-resolv",
          "--no-hosts",
          "--conf-file=" + folder.write("dnsmasq.conf", ""),
          "--pid-file=" + folder.pathOf("pid"),
          "--log-facility=" + folder.pathOf("log"),
          "--user=" + user,
          "--group=" + group,
          "--local=/arpa/",
          "--local=/com/",
          "--local=/ru/"};
}

}  // namespace

std::unique_ptr<Dnsmasq> Dnsmasq::start(const std::vector<std::string>& records,
                                        std::string* whyNot) {
  const std::string program = dnsmasqProgram();
  if (program.empty()) {
    *whyNot = "dnsmasq is not installed (Debian: dnsmasq-base)";
    return nullptr;
  }
  std::unique_ptr<Dnsmasq> server(new Dnsmasq());
  server->port_ = freePort();
  const TempFolder& folder = server->folder_;
  std::vector<std::string> arguments = dnsmasqArguments(program, server->port_, folder);
  arguments.insert(arguments.end(), records.begin(), records.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string errors = folder.pathOf("errors");
  server->pid_ = fork();
  if (server->pid_ == 0) {
    const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDERR_FILENO);
    dup2(fd, STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!acceptsTcp(server->port_)) {
    int status = 0;
    if (waitpid(server->pid_, &status, WNOHANG) == server->pid_ ||
        std::chrono::steady_clock::now() > deadline) {
      if (waitpid(server->pid_, &status, WNOHANG) == 0) server->stop();
      server->pid_ = -1;
      *whyNot = "dnsmasq did not start: " + readFile(errors);
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return server;
}

Dnsmasq::~Dnsmasq() { stop(); }

void Dnsmasq::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

#endif

}  // namespace crawlmeter::testing
