// How each crawler that can be told from an impostor is verified: the operator's published
// address ranges, a forward-confirmed reverse DNS name under the operator's domains, or both.
#pragma once

#include <string_view>
#include <vector>

namespace crawlmeter {

struct VerificationMethod {
  std::string_view operatorName;
  std::vector<std::string_view> crawlers;      // names in the crawler catalogue (crawlers.tsv)
  std::vector<std::string_view> rangeFiles;    // kRangeFiles names whose ranges count for them
  std::vector<std::string_view> hostSuffixes;  // a confirmed host name ends with one of these
};

// Every method, one row per operator's group of crawlers.
const std::vector<VerificationMethod>& verificationMethods();

// The method that verifies the crawler of that catalogue name; nullptr for a crawler that cannot
// be verified.
const VerificationMethod* verificationMethodOf(std::string_view crawlerName);

}  // namespace crawlmeter
