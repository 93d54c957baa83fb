// Hour-run membership, and the two operations that join runs counted apart.
#include "scan/hour_run.h"

namespace crawlmeter {

void HourRun::restart(const HourText& hour) {
  hour_ = hour;
  addresses_.clear();
  digests_.clear();
}

bool HourRun::add(const Address& address) {
  if (address.digest) return digests_.insert(*address.digest).second;
  return address.probe ? addresses_.insert(address.text, *address.probe)
                       : addresses_.insert(address.text);
}

std::size_t HourRun::countShared(const HourRun& other) const {
  std::size_t shared = addresses_.countShared(other.addresses_);
  for (const AddressDigest& digest : other.digests_) shared += digests_.count(digest);
  return shared;
}

std::size_t HourRun::absorb(const HourRun& other) {
  std::size_t shared = addresses_.absorb(other.addresses_);
  for (const AddressDigest& digest : other.digests_) shared += !digests_.insert(digest).second;
  return shared;
}

}  // namespace crawlmeter
