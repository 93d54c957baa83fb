// What forward-confirmed reverse DNS learned of one client address: the host names its PTR
// records give whose own A or AAAA records hold the address again.
#pragma once

#include <string>
#include <vector>

namespace crawlmeter {

struct DnsFinding {
  // False when a query timed out or failed: nothing is known of the address, and nothing may be
  // concluded from it.
  bool answered = false;
  // Lower case, without the final dot. Empty while answered: the address has no PTR record, or
  // none of its names leads back to it.
  std::vector<std::string> confirmedNames;

  bool operator==(const DnsFinding&) const = default;
};

}  // namespace crawlmeter
