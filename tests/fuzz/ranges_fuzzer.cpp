// Fuzz target: client addresses and operators' ranges files as users and logs give them. Checks
// that an address read back from its own text is the same address, and that a ranges file either
// loads or fails leaving the ranges as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "verify/crawler_ranges.h"
#include "verify/ip_address.h"

namespace {

using crawlmeter::CrawlerRanges;
using crawlmeter::IpAddress;

void check(bool condition) {
  if (!condition) std::abort();
}

void checkAddress(std::string_view text) {
  const std::optional<IpAddress> read = crawlmeter::parseIpAddress(text);
  if (!read) return;
  const std::string written = crawlmeter::ipAddressText(*read);
  const std::optional<IpAddress> again = crawlmeter::parseIpAddress(written);
  check(again && *again == *read && crawlmeter::ipAddressText(*again) == written);
}

void checkRanges(std::string_view text, const IpAddress& probe) {
  CrawlerRanges ranges;
  check(ranges.add("{\"prefixes\": [{\"ipv4Prefix\": \"10.0.0.0/8\"}]}", "gptbot.json").ok());
  const bool before = ranges.contains("gptbot.json", probe);
  if (ranges.add(text, "gptbot.json").failed()) {
    check(ranges.contains("gptbot.json", probe) == before);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  checkAddress(bytes.substr(0, 80));
  IpAddress probe;
  probe.bytes = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 10, 1, 2, 3};
  checkRanges(bytes, probe);
  return 0;
}
