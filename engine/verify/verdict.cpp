// The verdict on one visit, from the ranges in use and what DNS confirmed.
#include "verify/verdict.h"

#include <algorithm>

namespace crawlmeter {
namespace {

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return lowered(x) == lowered(y);
         });
}

bool hasLoadedRanges(const VerificationMethod& method, const CrawlerRanges& ranges) {
  return std::any_of(method.rangeFiles.begin(), method.rangeFiles.end(),
                     [&](std::string_view file) { return ranges.hasRanges(file); });
}

bool nameConfirmed(const VerificationMethod& method, const DnsFinding& dns) {
  for (const std::string& name : dns.confirmedNames) {
    for (std::string_view suffix : method.hostSuffixes) {
      if (nameHasSuffix(name, suffix)) return true;
    }
  }
  return false;
}

}  // namespace

bool nameHasSuffix(std::string_view name, std::string_view suffix) {
  if (suffix.empty() || name.size() < suffix.size()) return false;
  const std::size_t start = name.size() - suffix.size();
  return equalIgnoringCase(name.substr(start), suffix) && (start == 0 || name[start - 1] == '.');
}

Verdict verdictOf(const VerificationMethod& method, const CrawlerRanges& ranges,
                  const std::optional<IpAddress>& address, const DnsFinding* dns) {
  if (!address) return Verdict::kUnverifiable;
  for (std::string_view file : method.rangeFiles) {
    if (ranges.contains(file, *address)) return Verdict::kVerified;
  }
  if (dns != nullptr && dns->answered) {
    if (nameConfirmed(method, *dns)) return Verdict::kVerified;
    if (!method.hostSuffixes.empty()) return Verdict::kSpoofed;
  }
  return hasLoadedRanges(method, ranges) ? Verdict::kSpoofed : Verdict::kUnverifiable;
}

std::string_view verificationWord(std::string_view crawlerName, const CrawlerRanges& ranges) {
  const VerificationMethod* method = verificationMethodOf(crawlerName);
  if (method == nullptr) return "-";
  const bool byRanges = hasLoadedRanges(*method, ranges);
  const bool byDns = !method->hostSuffixes.empty();
  return byRanges && byDns ? "ranges+dns" : byRanges ? "ranges" : byDns ? "dns" : "-";
}

}  // namespace crawlmeter
