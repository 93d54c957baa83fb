// Records are buffered a partition at a time and appended to its file when the buffer fills, so
// that a spill takes little memory beside the set it empties.
#include "scan/spilled_addresses.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>

namespace crawlmeter {
namespace {

constexpr std::uint16_t kDigestRecord = 0xFFFF;
constexpr std::size_t kBufferBytes = 32 << 10;
constexpr std::size_t kReadBytes = 1 << 20;

void appendLength(std::size_t length, std::string& records) {
  records += static_cast<char>(length & 0xFF);
  records += static_cast<char>(length >> 8);
}

Error writeFailure(const std::filesystem::path& path) {
  return Error::of(Error::What::kTemporary, path.string(), errno != 0 ? errno : EIO);
}

}  // namespace

// Appends records to the partitions' own files.
class SpilledAddresses::Writer {
 public:
  Writer(SpilledAddresses& spilled, TemporaryFolder& folder) : spilled_(spilled), folder_(folder) {}

  Error add(std::uint64_t hash, std::string_view record) {
    const std::size_t partition = partitionOf(hash);
    std::string& buffer = buffers_[partition];
    buffer.append(record);
    return buffer.size() >= kBufferBytes ? flush(partition) : Error{};
  }
  Error flushAll() {
    for (std::size_t partition = 0; partition < kPartitions; ++partition) {
      if (const Error error = flush(partition); error.failed()) return error;
    }
    return {};
  }

 private:
  Error flush(std::size_t partition) {
    std::string& buffer = buffers_[partition];
    if (buffer.empty()) return {};
    std::vector<std::filesystem::path>& files = spilled_.files_[partition];
    if (files.empty()) {
      Expected<std::filesystem::path> path = folder_.newFilePath();
      if (path.failed()) return path.error();
      files.push_back(std::move(*path));
    }
    errno = 0;
    std::ofstream out(files.front(), std::ios::binary | std::ios::app);
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    out.close();
    if (!out) return writeFailure(files.front());
    buffer.clear();
    return {};
  }

  SpilledAddresses& spilled_;
  TemporaryFolder& folder_;
  std::array<std::string, kPartitions> buffers_;
};

SpilledAddresses::~SpilledAddresses() { removeFiles(); }

SpilledAddresses::SpilledAddresses(SpilledAddresses&& other) noexcept
    : files_(std::exchange(other.files_, {})) {}

SpilledAddresses& SpilledAddresses::operator=(SpilledAddresses&& other) noexcept {
  if (this != &other) {
    removeFiles();
    files_ = std::exchange(other.files_, {});
  }
  return *this;
}

void SpilledAddresses::removeFiles() {
  for (const auto& partition : files_) {
    for (const std::filesystem::path& path : partition) {
      std::error_code ignored;  // the run's folder goes at its end anyway
      std::filesystem::remove(path, ignored);
    }
  }
  files_.clear();
}

Error SpilledAddresses::write(const AddressSet& texts, std::span<const AddressDigest> digests,
                              TemporaryFolder& folder) {
  files_.resize(kPartitions);
  Writer writer(*this, folder);
  std::string record;
  Error error;
  texts.forEach([&](std::string_view text, std::uint64_t hash) {
    if (error.failed()) return;
    record.clear();
    appendLength(text.size(), record);
    record.append(text);
    error = writer.add(hash, record);
  });
  for (const AddressDigest& digest : digests) {
    if (error.failed()) break;
    record.clear();
    appendLength(kDigestRecord, record);
    record.append(reinterpret_cast<const char*>(&digest), sizeof digest);
    error = writer.add(digest.first, record);
  }
  return error.failed() ? error : writer.flushAll();
}

void SpilledAddresses::take(SpilledAddresses& other) {
  if (other.files_.empty()) return;
  files_.resize(kPartitions);
  for (std::size_t partition = 0; partition < kPartitions; ++partition) {
    for (std::filesystem::path& path : other.files_[partition]) {
      files_[partition].push_back(std::move(path));
    }
  }
  other.files_.clear();
}

// Reads a partition's records block by block; a record cut by a block's end waits for the next.
template <typename Visit>
Error SpilledAddresses::forEachRecord(std::size_t partition, Visit visit) const {
  if (files_.empty()) return {};
  std::string block;
  for (const std::filesystem::path& path : files_[partition]) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    std::size_t kept = 0;  // bytes of a cut record at the block's start
    while (in) {
      block.resize(kept + kReadBytes);
      in.read(block.data() + kept, static_cast<std::streamsize>(kReadBytes));
      const std::size_t end = kept + static_cast<std::size_t>(in.gcount());
      std::size_t at = 0;
      while (end - at >= 2) {
        const std::size_t length =
            static_cast<unsigned char>(block[at]) |
            static_cast<std::size_t>(static_cast<unsigned char>(block[at + 1])) << 8;
        const bool digest = length == kDigestRecord;
        const std::size_t bytes = digest ? sizeof(AddressDigest) : length;
        if (end - at - 2 < bytes) break;
        visit(digest, std::string_view(block).substr(at + 2, bytes));
        at += 2 + bytes;
      }
      kept = end - at;
      block.erase(0, at);
    }
    if (in.bad() || !in.eof() || kept != 0) {
      return Error::of(Error::What::kTemporary, path.string(), errno != 0 ? errno : EIO);
    }
  }
  return {};
}

Error SpilledAddresses::read(std::size_t partition, PartitionSets& sets) const {
  sets.texts.clear();
  sets.digests.clear();
  return forEachRecord(partition, [&](bool digest, std::string_view bytes) {
    (digest ? sets.digests : sets.texts).insert(bytes);
  });
}

Expected<std::size_t> SpilledAddresses::countDistinct() const {
  PartitionSets sets;
  std::size_t count = 0;
  for (std::size_t partition = 0; partition < kPartitions; ++partition) {
    if (const Error error = read(partition, sets); error.failed()) return error;
    count += sets.size();
  }
  return count;
}

}  // namespace crawlmeter
