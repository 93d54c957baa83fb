// An hour-run: a stretch of consecutive counted lines with equal hour texts, and the client
// addresses seen in it (each counts once in the run's IP cell).
//
// Given a budget, a run whose addresses would take more memory than it allows moves them to
// temporary files (scan/spilled_addresses.h) and goes on with an empty set: add() may then call an
// address new that an earlier spill holds, and settle() tells how many such calls were wrong.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_set>

#include "base/error.h"
#include "scan/address_set.h"
#include "scan/record_parser.h"
#include "scan/spilled_addresses.h"

namespace crawlmeter {

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
  // How many of other's addresses this run holds too.
  Expected<std::size_t> countShared(HourRun& other);
  // Adds other's addresses to this run (other is left without them); returns how many of them
  // it held already.
  Expected<std::size_t> absorb(HourRun& other);
  // The first failure to spill or to read a spill back; a run that failed counts no further.
  const Error& failure() const { return failure_; }

 private:
  struct DigestHash {
    std::size_t operator()(const AddressDigest& digest) const {
      return digest.first ^ digest.second;
    }
  };
  bool spilled() const { return !spilled_.empty(); }
  // Spills when the set has outgrown the budget.
  void keepToBudget();
  Error spill(TemporaryFolder& folder);

  HourText hour_;  // length 0 before the first counted line: equal to no real hour text
  AddressSet addresses_;
  std::unordered_set<AddressDigest, DigestHash> digests_;
  std::shared_ptr<const AddressBudget> budget_;
  SpilledAddresses spilled_;
  std::size_t calledNew_ = 0;  // add() calls that returned true since the last settle()
  std::size_t checkAt_ = 0;    // the set's size at which the budget is looked at next
  Error failure_;
};

}  // namespace crawlmeter
