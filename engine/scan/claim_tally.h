// What the lines that claim a checked crawler's name are worth, tallied as they are counted: each
// address's claim is judged once per hour-run (ClaimCheck), and its lines go to the crawler's
// verified or spoofed cells, to the spoofing addresses, or, when only DNS can tell, are kept by
// address and hour until the count is over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/count_table.h"

namespace crawlmeter {

// An address field longer than this holds no IP address: its claims are unverifiable.
inline constexpr std::size_t kLongestClaimAddress = 64;

enum class ClaimOutcome : std::uint8_t { kUnverifiable, kVerified, kSpoofed, kDeferred };

// Judges claims for the count. The crawlers are the catalogue's, by index.
class ClaimCheck {
 public:
  // keepsSpoofers: whether the spoofing addresses are wanted, or only how many lines they wrote.
  ClaimCheck(std::vector<bool> checked, bool keepsSpoofers)
      : checked_(std::move(checked)), keepsSpoofers_(keepsSpoofers) {}
  virtual ~ClaimCheck() = default;

  bool checks(std::size_t crawler) const { return crawler < checked_.size() && checked_[crawler]; }
  std::size_t crawlerCount() const { return checked_.size(); }
  bool keepsSpoofers() const { return keepsSpoofers_; }
  // What a line of crawler (one that checks() is true for) from address is worth.
  virtual ClaimOutcome check(std::size_t crawler, std::string_view address) const = 0;

 private:
  std::vector<bool> checked_;
  bool keepsSpoofers_;
};

// A key of a crawler (its index in four bytes) and an address.
std::string claimKey(std::size_t crawler, std::string_view address);
std::size_t crawlerOfKey(std::string_view key);
inline std::string_view addressOfKey(std::string_view key) {
  return key.substr(sizeof(std::uint32_t));
}

// An address's lines in one file that claimed a crawler and failed its check.
struct SpoofCounts {
  Count lines = 0;             // in hours 0..23
  std::uint8_t firstHour = 0;  // the hour of its first line in the file, and of its last
  std::uint8_t lastHour = 0;

  bool operator==(const SpoofCounts&) const = default;
};

// An address's lines in one file that only DNS can judge, hour by hour.
struct DeferredCounts {
  HourCells hours{};
  std::uint8_t firstHour = 0;
  std::uint8_t lastHour = 0;

  bool operator==(const DeferredCounts&) const = default;
};

// Hashes claim keys with the address sets' hash, faster than the standard one on short keys.
struct ClaimKeyHash {
  std::size_t operator()(const std::string& key) const;
};

// The claims of a unit of lines, or of a whole file.
struct ClaimTally {
  std::vector<HourCells> verified;  // per crawler, when claims are checked
  std::vector<HourCells> spoofed;
  std::unordered_map<std::string, SpoofCounts, ClaimKeyHash> spoofers;     // by claimKey()
  std::unordered_map<std::string, DeferredCounts, ClaimKeyHash> deferred;  // by claimKey()

  ClaimTally() = default;
  explicit ClaimTally(std::size_t crawlers) : verified(crawlers), spoofed(crawlers) {}

  // Where the lines of key (claimKey(crawler, address)) go from its first line of hour on, judged
  // outcome: the address's entry among the spoofers (when kept) or the deferred, or nullptr.
  // Entries stay where they are while the tally grows.
  void* entryFor(ClaimOutcome outcome, const std::string& key, int hour, bool keepsSpoofers);
  // A line of hour of crawler judged outcome, whose entryFor() is entry.
  void add(ClaimOutcome outcome, void* entry, std::size_t crawler, int hour);
  // Adds the claims of the lines that follow this tally's in the same file.
  void append(const ClaimTally& later);
  bool operator==(const ClaimTally&) const = default;
};

}  // namespace crawlmeter
