// An hour-run: a stretch of consecutive counted lines with equal hour texts, and the client
// addresses seen in it (each counts once in the run's IP cell).
#pragma once

#include <cstddef>
#include <unordered_set>

#include "scan/address_set.h"
#include "scan/record_parser.h"

namespace crawlmeter {

class HourRun {
 public:
  const HourText& hour() const { return hour_; }
  // Ends this run and begins an empty one of hour; keeps the memory.
  void restart(const HourText& hour);
  // Makes room for as many addresses as other holds: hour-runs of a log are alike in size.
  void reserveLike(const HourRun& other) { addresses_.reserve(other.addresses_.size()); }
  // Adds address; true when it is new in the run.
  bool add(const Address& address);
  // Readies the memory that adding address will touch, and keeps its probe for the add.
  void prefetch(Address& address) const {
    if (address.digest) return;
    address.probe = AddressSet::probe(address.text);
    addresses_.prefetch(*address.probe);
  }
  // How many of other's addresses this run holds too.
  std::size_t countShared(const HourRun& other) const;
  // Adds other's addresses to this run; returns how many of them it held already.
  std::size_t absorb(const HourRun& other);

 private:
  struct DigestHash {
    std::size_t operator()(const AddressDigest& digest) const {
      return digest.first ^ digest.second;
    }
  };

  HourText hour_;  // length 0 before the first counted line: equal to no real hour text
  AddressSet addresses_;
  std::unordered_set<AddressDigest, DigestHash> digests_;
};

}  // namespace crawlmeter
