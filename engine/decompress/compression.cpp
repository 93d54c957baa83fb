// The magic numbers of the four formats, as their specifications give them.
#include "decompress/compression.h"

namespace crawlmeter {
namespace {

// gzip: ID1 ID2 and the one compression method defined, deflate.
constexpr std::string_view kGzipMagic = "\x1f\x8b\x08";
constexpr std::string_view kXzMagic{
    "\xfd"
    "7zXZ\0",
    6};
constexpr std::string_view kZstdMagic = "\x28\xb5\x2f\xfd";
// bzip2: "BZh", a block size digit, then the first block's magic (pi) or, for an empty stream,
// the end-of-stream magic (sqrt(pi)).
constexpr std::string_view kBzip2Magic = "BZh";
constexpr std::string_view kBzip2BlockMagic = "\x31\x41\x59\x26\x53\x59";
constexpr std::string_view kBzip2EndMagic = "\x17\x72\x45\x38\x50\x90";

bool isBzip2(std::string_view head) {
  if (head.size() < kMagicBytes || !head.starts_with(kBzip2Magic)) return false;
  if (head[3] < '1' || head[3] > '9') return false;
  const std::string_view next = head.substr(4, 6);
  return next == kBzip2BlockMagic || next == kBzip2EndMagic;
}

// A zstd file may open with a skippable frame: magic 0x184D2A50..0x184D2A5F, little-endian.
bool isZstdSkippable(std::string_view head) {
  return head.size() >= 4 && (static_cast<unsigned char>(head[0]) & 0xF0) == 0x50 &&
         head.substr(1, 3) == "\x2a\x4d\x18";
}

}  // namespace

std::string_view compressionName(Compression compression) {
  switch (compression) {
    case Compression::kGzip:
      return "gzip";
    case Compression::kBzip2:
      return "bzip2";
    case Compression::kXz:
      return "xz";
    case Compression::kZstd:
      return "zstd";
    default:
      return {};
  }
}

Compression compressionOf(std::string_view head) {
  if (head.starts_with(kGzipMagic)) return Compression::kGzip;
  if (head.starts_with(kXzMagic)) return Compression::kXz;
  if (head.starts_with(kZstdMagic) || isZstdSkippable(head)) return Compression::kZstd;
  if (isBzip2(head)) return Compression::kBzip2;
  return Compression::kNone;
}

}  // namespace crawlmeter
