// Fuzz target: the date label and the code page 936 character splitter. The label read from
// arbitrary chunks equals the one a plain character walk finds, and decoding never fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/cp936.h"
#include "scan/date_label.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// The label the plain way: walk the characters to the first '[', then bytes to the first ':'.
std::string plainLabel(std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size() && bytes[at] != '[') at += crawlmeter::characterLength(bytes, at);
  if (at >= bytes.size()) return {};
  const std::size_t colon = bytes.find(':', at + 1);
  if (colon == std::string_view::npos) return {};
  return *crawlmeter::decodeCp936(
      bytes.substr(at + 1, std::min(colon - at - 1, crawlmeter::kLongestLabelBytes)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t chunk = 1 + data[0] % 32;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  crawlmeter::DateLabelScanner scanner;
  for (std::size_t at = 0; at < bytes.size(); at += chunk) scanner.feed(bytes.substr(at, chunk));
  check(*scanner.label() == plainLabel(bytes));
  std::size_t characters = 0;
  for (std::size_t at = 0; at < bytes.size(); ++characters) {
    const std::size_t length = crawlmeter::characterLength(bytes, at);
    check(length == 1 || length == 2);
    at += length;
  }
  const std::string text = *crawlmeter::decodeCp936(bytes);
  check(characters <= bytes.size());
  check(crawlmeter::encodeCp936(text)->size() <= 2 * text.size() + 1);
  return 0;
}
