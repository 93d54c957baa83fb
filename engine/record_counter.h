// Counts parsed records into one file's hour cells: every counted line is a page view, a client
// address counts once per hour-run, and a line counts for at most one crawler.
//
// An hour-run is a stretch of consecutive counted lines with equal hour texts; skipped lines
// neither end nor extend it, and it carries over from one file to the next within a run.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

#include "count_table.h"
#include "record_parser.h"

namespace crawlmeter {

class RecordCounter {
 public:
  void count(const Record& record, FileCounts& counts);

 private:
  // Addresses are found by string_view without building a string for each line.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  struct DigestHash {
    std::size_t operator()(const AddressDigest& digest) const {
      return digest.first ^ digest.second;
    }
  };
  bool isNewInHourRun(const Address& address);

  HourText lastHour_;
  std::unordered_set<std::string, TextHash, std::equal_to<>> hourAddresses_;
  std::unordered_set<AddressDigest, DigestHash> hourDigests_;
};

}  // namespace crawlmeter
