// The tests' way to compile a crawler catalogue: memory to compile a test's few texts is always
// there, so a failure ends the test program at once.
#pragma once

#include <cstdlib>
#include <memory>

#include "catalogue/crawler_matcher.h"

namespace crawlmeter::testing {

inline std::shared_ptr<const CrawlerMatcher> compiled(const CrawlerCatalogue& catalogue) {
  Expected<std::shared_ptr<const CrawlerMatcher>> matcher = CrawlerMatcher::compile(catalogue);
  if (matcher.failed()) std::abort();
  return *matcher;
}

}  // namespace crawlmeter::testing
