// What crawler verification adds to the crawler reports, in their fixed-width style: the verified
// and spoofed visits of each crawler, and the line that says what they were verified by.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "verify/claim_verification.h"

namespace crawlmeter {

// The headings of the crawler table's two added columns.
std::vector<std::string> verificationHeadings();

// The crawlers' verified and spoofed visits together in hours 0..23 of every file; "-" twice for
// a single crawler that has no method.
std::vector<std::string> verificationCells(const ClaimVerification& verification,
                                           const std::vector<std::size_t>& crawlers);

// "验证依据：..." : the ranges' date, and whether DNS was asked.
std::string verificationBasis(const ClaimVerification& verification);

// What follows one crawler's hour table: its verified and spoofed visits per file, laid out as the
// total row, and the basis; or the basis alone saying the crawler cannot be verified. Every line
// is followed by an empty line.
std::string crawlerVerificationText(const ClaimVerification& verification, std::size_t crawler,
                                    std::string_view lineEnd);

}  // namespace crawlmeter
