// An hour-run: a stretch of consecutive counted lines with equal hour texts, and the client
// addresses seen in it (each counts once in the run's IP cell).
//
// Given a budget, a run whose addresses would take more memory than it allows moves them to
// temporary files (scan/spilled_addresses.h) and goes on with an empty set: add() may then call an
// address new that an earlier spill holds, and settle() tells how many such calls were wrong.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "base/error.h"
#include "scan/address_set.h"
#include "scan/record_parser.h"
#include "scan/spilled_addresses.h"

namespace crawlmeter {

// Addresses that parts of one hour-run, counted apart under tag (a file), each counted as their
// own: to take off the tag's IP cell of hour once known.
struct LateShare {
  std::size_t tag = 0;
  int hour = 0;
  std::size_t shared = 0;
};

class HourRun {
 public:
  HourRun() = default;
  explicit HourRun(std::shared_ptr<const AddressBudget> budget);

  const HourText& hour() const { return hour_; }
  // Ends this run and begins an empty one of hour; keeps the memory.
  void restart(const HourText& hour);
  // Makes room for as many addresses as other holds: hour-runs of a log are alike in size.
  void reserveLike(const HourRun& other);
  // Adds address; true when it is new in the run, or was held only in a spill.
  bool add(const Address& address);
  // Readies the memory that adding address will touch, and keeps its probe for the add.
  void prefetch(Address& address) const {
    if (address.digest) return;
    address.probe = AddressSet::probe(address.text);
    addresses_.prefetch(*address.probe);
  }
  // How many of the add() calls since the last settle() called an address new that was not:
  // never any unless the run spilled.
  Expected<std::size_t> settle();
  // How many of other's addresses this run holds too (neither spilled).
  std::size_t countShared(const HourRun& other) const;
  // Adds other's addresses to this run (neither spilled); returns how many of them it held
  // already.
  Expected<std::size_t> absorb(HourRun& other);
  // Joins other, a part of this run counted apart under tag, when either spilled: other's files
  // become this run's, and the addresses that both held are told later, once for all the parts
  // of one tag, by settleDeferred() (a spilled run compared with each part would be read again
  // for every part). A part under another tag settles those before it first.
  Error defer(HourRun& other, std::size_t tag, std::vector<LateShare>& late);
  // Adds to late what the deferred parts counted twice, if any part was deferred.
  Error settleDeferred(std::vector<LateShare>& late);
  bool spilled() const { return !spilled_.empty(); }
  // The first failure to spill or to read a spill back; a run that failed counts no further.
  const Error& failure() const { return failure_; }

 private:
  struct DigestHash {
    std::size_t operator()(const AddressDigest& digest) const {
      return digest.first ^ digest.second;
    }
  };
  // Spills when the set has outgrown the budget.
  void keepToBudget();
  Error spill(TemporaryFolder& folder);

  HourText hour_;  // length 0 before the first counted line: equal to no real hour text
  AddressSet addresses_;
  std::unordered_set<AddressDigest, DigestHash> digests_;
  std::shared_ptr<const AddressBudget> budget_;
  SpilledAddresses spilled_;
  std::size_t calledNew_ = 0;  // add() calls that returned true since the last settle()
  // The run's distinct addresses, when spilled: known at its first spill and after settle(),
  // lost by an add() after a spill.
  std::size_t distinct_ = 0;
  struct Deferred {
    std::size_t tag = 0;
    std::size_t counted = 0;  // the distinct addresses each part counted as its own, summed
  };
  std::optional<Deferred> deferred_;
  std::size_t checkAt_ = 0;  // the set's size at which the budget is looked at next
  Error failure_;
};

}  // namespace crawlmeter
