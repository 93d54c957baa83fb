// Judging claims: by the ranges while counting, and by DNS after it, asked once for each distinct
// address the count left to it.
#include "verify/claim_verification.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "verify/verdict.h"

namespace crawlmeter {
namespace {

bool hasRangesInUse(const VerificationMethod& method, const CrawlerRanges& ranges) {
  return std::any_of(method.rangeFiles.begin(), method.rangeFiles.end(),
                     [&](std::string_view file) { return ranges.hasRanges(file); });
}

class RangeClaimCheck : public ClaimCheck {
 public:
  RangeClaimCheck(std::vector<const VerificationMethod*> methods, const CrawlerRanges& ranges,
                  bool dns, bool keepsSpoofers)
      : ClaimCheck(checkedOf(methods), keepsSpoofers),
        methods_(std::move(methods)),
        ranges_(ranges),
        dns_(dns) {}

  ClaimOutcome check(std::size_t crawler, std::string_view address) const override {
    const std::optional<IpAddress> read = parseIpAddress(address);
    if (!read) return ClaimOutcome::kUnverifiable;
    const VerificationMethod& method = *methods_[crawler];
    const Verdict verdict = verdictOf(method, ranges_, read, nullptr);
    if (verdict == Verdict::kVerified) return ClaimOutcome::kVerified;
    if (dns_ && !method.hostSuffixes.empty()) return ClaimOutcome::kDeferred;
    return verdict == Verdict::kSpoofed ? ClaimOutcome::kSpoofed : ClaimOutcome::kUnverifiable;
  }

 private:
  static std::vector<bool> checkedOf(const std::vector<const VerificationMethod*>& methods) {
    std::vector<bool> checked;
    for (const VerificationMethod* method : methods) checked.push_back(method != nullptr);
    return checked;
  }

  std::vector<const VerificationMethod*> methods_;
  CrawlerRanges ranges_;
  bool dns_;
};

// The spoofing addresses of every file, one entry per address and crawler.
class SpooferList {
 public:
  void add(std::size_t file, std::string_view key, Count lines, int firstHour, int lastHour) {
    auto [found, added] = byKey_.try_emplace(std::string(key), spoofers_.size());
    if (added) {
      spoofers_.push_back(SpoofingAddress{
          std::string(addressOfKey(key)), crawlerOfKey(key), 0, SeenAt{file, firstHour}, {}});
    }
    spoofers_[found->second].lines += lines;
    spoofers_[found->second].last = SeenAt{file, lastHour};
  }

  std::vector<SpoofingAddress> take() {
    std::sort(spoofers_.begin(), spoofers_.end(), [](const auto& a, const auto& b) {
      if (a.lines != b.lines) return a.lines > b.lines;
      return std::tie(a.address, a.crawler) < std::tie(b.address, b.crawler);
    });
    return std::move(spoofers_);
  }

 private:
  std::unordered_map<std::string, std::size_t> byKey_;
  std::vector<SpoofingAddress> spoofers_;
};

// What DNS confirmed of each distinct address the count left to it, by the address's text.
using Findings = std::unordered_map<std::string_view, DnsFinding>;

Expected<Findings> askDns(std::span<const ClaimTally> claims,
                          const NameConfirmation& confirmNames) {
  std::vector<std::string_view> texts;
  std::vector<IpAddress> addresses;
  Findings findings;
  for (const ClaimTally& tally : claims) {
    for (const auto& [key, counts] : tally.deferred) {
      const std::string_view text = addressOfKey(key);
      const std::optional<IpAddress> read = parseIpAddress(text);
      if (!read || !findings.try_emplace(text).second) continue;
      texts.push_back(text);
      addresses.push_back(*read);
    }
  }
  if (addresses.empty()) return findings;  // nothing to ask: no resolver is started
  Expected<std::vector<DnsFinding>> found = confirmNames(addresses);
  if (found.failed()) return found.error();
  for (std::size_t i = 0; i < texts.size() && i < found->size(); ++i) {
    findings[texts[i]] = std::move((*found)[i]);
  }
  return findings;
}

// Adds the tallies the count judged, file by file.
void addJudged(std::span<const ClaimTally> claims, ClaimVerification& result,
               SpooferList& spoofers) {
  for (std::size_t file = 0; file < claims.size(); ++file) {
    const ClaimTally& tally = claims[file];
    for (std::size_t crawler = 0; crawler < tally.verified.size(); ++crawler) {
      result.splits[crawler].verified.add(file, tally.verified[crawler]);
      result.splits[crawler].spoofed.add(file, tally.spoofed[crawler]);
    }
    for (const auto& [key, counts] : tally.spoofers) {
      spoofers.add(file, key, counts.lines, counts.firstHour, counts.lastHour);
    }
  }
}

}  // namespace

std::vector<const VerificationMethod*> usableMethods(const CrawlerCatalogue& catalogue,
                                                     const CrawlerRanges& ranges, bool dns) {
  std::vector<const VerificationMethod*> methods;
  for (const Crawler& crawler : catalogue.crawlers()) {
    const VerificationMethod* method = verificationMethodOf(crawler.name);
    const bool usable = method != nullptr &&
                        (hasRangesInUse(*method, ranges) || (dns && !method->hostSuffixes.empty()));
    methods.push_back(usable ? method : nullptr);
  }
  return methods;
}

std::shared_ptr<const ClaimCheck> rangeClaimCheck(std::vector<const VerificationMethod*> methods,
                                                  const CrawlerRanges& ranges, bool dns,
                                                  bool keepsSpoofers) {
  return std::make_shared<const RangeClaimCheck>(std::move(methods), ranges, dns, keepsSpoofers);
}

Expected<ClaimVerification> verifyClaims(std::span<const ClaimTally> claims,
                                         std::vector<const VerificationMethod*> methods,
                                         const CrawlerRanges& ranges,
                                         const NameConfirmation& confirmNames) {
  Findings findings;
  if (confirmNames) {
    Expected<Findings> asked = askDns(claims, confirmNames);
    if (asked.failed()) return asked.error();
    findings = std::move(*asked);
  }
  ClaimVerification result;
  result.splits.assign(methods.size(),
                       ClaimSplit{CountTable(claims.size()), CountTable(claims.size())});
  SpooferList spoofers;
  addJudged(claims, result, spoofers);
  for (std::size_t file = 0; file < claims.size(); ++file) {
    for (const auto& [key, counts] : claims[file].deferred) {
      const std::size_t crawler = crawlerOfKey(key);
      const auto finding = findings.find(addressOfKey(key));
      const Verdict verdict =
          verdictOf(*methods[crawler], ranges, parseIpAddress(addressOfKey(key)),
                    finding == findings.end() ? nullptr : &finding->second);
      if (verdict == Verdict::kVerified) result.splits[crawler].verified.add(file, counts.hours);
      if (verdict != Verdict::kSpoofed) continue;
      result.splits[crawler].spoofed.add(file, counts.hours);
      Count lines = 0;
      for (int hour = 0; hour < kReportedHours; ++hour) lines += counts.hours[hour];
      spoofers.add(file, key, lines, counts.firstHour, counts.lastHour);
    }
  }
  result.methods = std::move(methods);
  result.spoofers = spoofers.take();
  result.askedDns = static_cast<bool>(confirmNames);
  result.rangesDate = ranges.oldestDate().value_or("");
  return result;
}

}  // namespace crawlmeter
