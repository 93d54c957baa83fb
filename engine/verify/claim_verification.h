// Splits the lines that claimed the name of a crawler with a verification method into verified and
// spoofed ones, and lists the addresses that failed. The count judges each address by the ranges
// once per hour-run (rangeClaimCheck); what only DNS can tell is asked once per distinct address
// after it (verifyClaims). A crawler's other lines are unverifiable.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "catalogue/crawler_catalogue.h"
#include "scan/claim_tally.h"
#include "scan/count_table.h"
#include "verify/crawler_ranges.h"
#include "verify/dns_finding.h"
#include "verify/ip_address.h"
#include "verify/verification_methods.h"

namespace crawlmeter {

// One crawler's claimed lines that were verified, and those that were spoofed, per file and hour.
struct ClaimSplit {
  CountTable verified;
  CountTable spoofed;
};

// Where an address was seen: a file (from 0) and an hour of it.
struct SeenAt {
  std::size_t file = 0;
  int hour = 0;

  auto operator<=>(const SeenAt&) const = default;
};

// An address that claimed a crawler's name and failed the crawler's check.
struct SpoofingAddress {
  std::string address;  // as the log wrote it
  std::size_t crawler = 0;
  Count lines = 0;  // in hours 0..23 of every file
  SeenAt first;
  SeenAt last;
};

struct ClaimVerification {
  // Per crawler of the catalogue: how it is verified, or nullptr when it is not.
  std::vector<const VerificationMethod*> methods;
  std::vector<ClaimSplit> splits;         // per crawler; empty tables where there is no method
  std::vector<SpoofingAddress> spoofers;  // most lines first, then by address and crawler
  bool askedDns = false;
  std::string rangesDate;  // YYYY-MM-DD: the oldest date of the ranges in use

  bool verifies(std::size_t crawler) const { return methods[crawler] != nullptr; }
};

// The method of each crawler of the catalogue that the ranges in use, or DNS when asked, can
// apply; nullptr for the others.
std::vector<const VerificationMethod*> usableMethods(const CrawlerCatalogue& catalogue,
                                                     const CrawlerRanges& ranges, bool dns);
// The judge of a run's claims, for RunOptions::claimCheck: an address in its crawler's ranges is
// verified; one outside them is spoofed, or left to DNS when dns is asked and the crawler's
// operator names host names; a field that is no address is unverifiable. The spoofing addresses
// are kept only when keepsSpoofers: a day of them can be many.
std::shared_ptr<const ClaimCheck> rangeClaimCheck(std::vector<const VerificationMethod*> methods,
                                                  const CrawlerRanges& ranges, bool dns,
                                                  bool keepsSpoofers);

// Confirms the names of addresses by reverse DNS: one finding per address, in their order.
using NameConfirmation =
    std::function<Expected<std::vector<DnsFinding>>(std::span<const IpAddress> addresses)>;

// The verification of every file's claims (claims[i] is file i's, as a run with rangeClaimCheck
// tallied them): the claims left to DNS are judged with confirmNames when it is given, by the
// ranges alone otherwise. A failure of confirmNames fails the whole.
Expected<ClaimVerification> verifyClaims(std::span<const ClaimTally> claims,
                                         std::vector<const VerificationMethod*> methods,
                                         const CrawlerRanges& ranges,
                                         const NameConfirmation& confirmNames);

}  // namespace crawlmeter
