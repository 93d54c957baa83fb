// The client addresses of an hour-run too large for its memory budget, kept in temporary files:
// split by hash into partitions, so that each partition can be counted on its own.
//
// A partition is a list of files, each a sequence of records: two length bytes (little-endian)
// and the address's text, or kDigestRecord and an address digest's 24 bytes. The same address may
// stand in several records: every count reads a partition into a set.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "files/temporary_folder.h"
#include "scan/address_set.h"
#include "scan/record_parser.h"

namespace crawlmeter {

// How much memory an hour-run's addresses may take, and where they go beyond it.
struct AddressBudget {
  std::size_t runBytes = 0;
  std::shared_ptr<TemporaryFolder> folder;
};

class SpilledAddresses {
 public:
  static constexpr std::size_t kPartitions = 64;

  SpilledAddresses() = default;
  ~SpilledAddresses();  // removes its files
  SpilledAddresses(SpilledAddresses&& other) noexcept;
  SpilledAddresses& operator=(SpilledAddresses&& other) noexcept;

  bool empty() const { return files_.empty(); }
  // Appends texts' addresses and digests to the partitions (in files of folder, made when first
  // needed).
  Error write(const AddressSet& texts, std::span<const AddressDigest> digests,
              TemporaryFolder& folder);
  // Takes other's files into this one's partitions.
  void take(SpilledAddresses& other);

  // The distinct addresses of all partitions.
  Expected<std::size_t> countDistinct() const;

  static std::size_t partitionOf(std::uint64_t hash) { return (hash >> 40) % kPartitions; }

 private:
  // A partition's distinct addresses: texts in one set, digests' bytes in the other.
  struct PartitionSets {
    AddressSet texts;
    AddressSet digests;
    std::size_t size() const { return texts.size() + digests.size(); }
  };
  Error read(std::size_t partition, PartitionSets& sets) const;
  // Calls visit(digest, bytes) for every record of partition.
  template <typename Visit>
  Error forEachRecord(std::size_t partition, Visit visit) const;
  class Writer;
  void removeFiles();

  // files_[partition]: its files; the first one is this run's own, which spills append to.
  std::vector<std::vector<std::filesystem::path>> files_;
};

}  // namespace crawlmeter
