// Hour-run bookkeeping and the addition of one record to the counts.
#include "record_counter.h"

namespace crawlmeter {

bool RecordCounter::isNewInHourRun(const Address& address) {
  if (address.digest) return hourDigests_.insert(*address.digest).second;
  if (hourAddresses_.find(address.text) != hourAddresses_.end()) return false;
  hourAddresses_.emplace(address.text);
  return true;
}

void RecordCounter::count(const Record& record, FileCounts& counts) {
  if (record.hour != lastHour_) {
    hourAddresses_.clear();
    hourDigests_.clear();
    lastHour_ = record.hour;
  }
  const int hour = record.hour.value();
  if (isNewInHourRun(record.address)) ++counts.at(StatCategory::Ip, hour);
  ++counts.at(StatCategory::Pv, hour);
  if (record.crawler != kNoCrawler) ++counts.at(kCrawlerKinds[record.crawler], hour);
}

}  // namespace crawlmeter
