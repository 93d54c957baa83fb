// Fuzz target: the compact address set against std::set. The input is lines of addresses, cut
// into two sets at the first empty line; every insert, lookup, visit and join must agree with the
// plain set of texts, whatever the texts are (IPv6 in any spelling, IPv4, names, bytes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "scan/address_set.h"

namespace crawlmeter {
namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

std::set<std::string> textsOf(const AddressSet& set) {
  std::set<std::string> texts;
  set.forEach([&](std::string_view text, std::uint64_t hash) {
    check(hash == AddressSet::hashOf(text));
    check(texts.emplace(text).second);  // each address once
  });
  return texts;
}

}  // namespace
}  // namespace crawlmeter

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace crawlmeter;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  AddressSet sets[2];
  std::set<std::string> plain[2];
  int which = 0;
  for (std::size_t start = 0; start <= input.size();) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view text = input.substr(start, end - start);
    if (text.empty() && which == 0) which = 1;
    check(sets[which].insert(text) == plain[which].emplace(text).second);
    check(sets[which].contains(text));
    start = end + 1;
  }
  for (int i = 0; i < 2; ++i) {
    check(sets[i].size() == plain[i].size());
    check(textsOf(sets[i]) == plain[i]);
  }
  std::size_t shared = 0;
  for (const std::string& text : plain[1]) shared += plain[0].count(text);
  check(sets[0].countShared(sets[1]) == shared);
  check(sets[0].absorb(sets[1]) == shared);
  plain[0].insert(plain[1].begin(), plain[1].end());
  check(textsOf(sets[0]) == plain[0]);
  return 0;
}
