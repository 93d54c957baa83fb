// Whether a visit that names a crawler came from that crawler: its address in the operator's
// published ranges, or a forward-confirmed reverse DNS name under the operator's domains.
#pragma once

#include <optional>
#include <string_view>

#include "verify/crawler_ranges.h"
#include "verify/dns_finding.h"
#include "verify/ip_address.h"
#include "verify/verification_methods.h"

namespace crawlmeter {

enum class Verdict { kVerified, kSpoofed, kUnverifiable };

// The rule, in order: no address (the field is not an IP address) is unverifiable; an address in
// one of the method's range files is verified; a confirmed DNS name under one of the method's
// suffixes is verified; an answered DNS lookup without such a name is spoofed when the method has
// suffixes; an address in none of the method's range files that have ranges is spoofed; anything
// else is unverifiable (a failed lookup never makes a visit spoofed by itself). dns is nullptr
// when DNS was not asked.
Verdict verdictOf(const VerificationMethod& method, const CrawlerRanges& ranges,
                  const std::optional<IpAddress>& address, const DnsFinding* dns);

// Whether a host name is suffix or lies under it ("crawl-1.googlebot.com" under "googlebot.com";
// not "evilgooglebot.com"), ignoring ASCII case.
bool nameHasSuffix(std::string_view name, std::string_view suffix);

// How the crawler of that catalogue name can be verified with these ranges: "ranges",
// "dns", "ranges+dns" or "-" (a range file with no ranges loaded does not count).
std::string_view verificationWord(std::string_view crawlerName, const CrawlerRanges& ranges);

}  // namespace crawlmeter
