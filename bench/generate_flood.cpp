// Writes the access log of a flood day for benchmarks: every line from a different client
// address, so that the distinct addresses of an hour are as many as its lines.
//
//   generate_flood --ipv6 N [--hours H] > flood.log   N distinct IPv6 addresses over H hours (1)
//   generate_flood --ipv4 N [--hours H] > flood.log   N distinct IPv4 addresses over H hours (24)
//
// Addresses come from a bijection of the line number, so none repeats; one line in a hundred names
// Baiduspider, so that grep -c -F Baiduspider has something to count.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// splitmix64's finaliser: a bijection of 64-bit numbers that looks random.
std::uint64_t scramble(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// An IPv6 address in its canonical text: eight groups without leading zeros (runs of zero groups,
// rare in random bits, are left uncompressed only where they are single).
int writeIpv6(std::uint64_t line, char* out) {
  const std::uint64_t high = scramble(line), low = scramble(line ^ 0x5DEECE66DULL);
  int n = 0;
  for (int group = 0; group < 8; ++group) {
    const std::uint64_t word = group < 4 ? high : low;
    unsigned value = static_cast<unsigned>(word >> (48 - 16 * (group % 4))) & 0xFFFF;
    if (value == 0) value = 1;  // no zero group, so that no "::" is due
    n += std::snprintf(out + n, 8, group ? ":%x" : "%x", value);
  }
  return n;
}

int writeIpv4(std::uint64_t line, char* out) {
  // An odd multiplier is a bijection of 32-bit numbers.
  const auto a = static_cast<std::uint32_t>(line * 0x9E3779B1ULL);
  return std::snprintf(out, 16, "%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
}

}  // namespace

int main(int argc, char** argv) {
  bool ipv6 = true;
  std::uint64_t lines = 0;
  int hours = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--ipv6") || !std::strcmp(argv[i], "--ipv4")) {
      ipv6 = argv[i][5] == '6';
      lines = std::strtoull(argv[i + 1], nullptr, 10);
    } else if (!std::strcmp(argv[i], "--hours")) {
      hours = std::atoi(argv[i + 1]);
    }
  }
  if (lines == 0) {
    std::fputs("usage: generate_flood --ipv6 N | --ipv4 N [--hours H] > flood.log\n", stderr);
    return 2;
  }
  if (hours <= 0 || hours > 24) hours = ipv6 ? 1 : 24;
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  char address[48];
  for (std::uint64_t line = 0; line < lines; ++line) {
    if (ipv6)
      writeIpv6(line, address);
    else
      writeIpv4(line, address);
    const auto second = static_cast<unsigned>(line * 3600 * hours / lines);
    const char* agent = line % 100 == 0 ? "Baiduspider" : "Mozilla/5.0";
    std::printf(
        "%s - - [25/Aug/2009:%02u:%02u:%02u +0800] \"GET / HTTP/1.1\" 200 512 \"-\" \"%s\"\n",
        address, second / 3600, second / 60 % 60, second % 60, agent);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
