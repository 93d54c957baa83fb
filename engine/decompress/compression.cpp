// The magic numbers of the four formats and the header fields right after them, as the formats
// define them.
#include "decompress/compression.h"

#include <algorithm>
#include <array>
#include <optional>

namespace crawlmeter {
namespace {

constexpr std::string_view kGzipMagic = "\x1f\x8b";
constexpr std::uint8_t kGzipDeflate = 8;      // the one compression method gzip defines
constexpr std::uint8_t kGzipReserved = 0xE0;  // flag bits that must be zero
constexpr std::string_view kXzMagic{
    "\xfd"
    "7zXZ\0",
    6};
constexpr std::string_view kZstdMagic = "\x28\xb5\x2f\xfd";
constexpr std::uint8_t kZstdReserved = 0x08;  // the frame header descriptor's reserved bit
// bzip2: "BZh", a block size digit, then the first block's magic (pi) or, for an empty stream,
// the end-of-stream magic (sqrt(pi)).
constexpr std::string_view kBzip2Magic = "BZh";
constexpr std::string_view kBzip2BlockMagic = "\x31\x41\x59\x26\x53\x59";
constexpr std::string_view kBzip2EndMagic = "\x17\x72\x45\x38\x50\x90";

// What is wrong with a header: the offset of the wrong byte and the words for it.
struct Damage {
  std::size_t offset;
  Message words;
};

std::uint8_t byteAt(std::string_view head, std::size_t at) {
  return static_cast<std::uint8_t>(head[at]);
}

std::string hex(std::uint8_t byte) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

// What follows "BZh" and the block size digit, when it is (the start of) a block or the end.
bool bzip2BlockFollows(std::string_view rest) {
  return kBzip2BlockMagic.starts_with(rest) || kBzip2EndMagic.starts_with(rest);
}

// A byte no text log holds: a control character other than tab, CR and LF.
bool isBinary(char c) {
  const auto byte = static_cast<std::uint8_t>(c);
  return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F;
}

// "BZh" is text a host name may start with: a file claims bzip2 only when the block size digit
// is followed by a block's magic, or by a byte that no text holds (a damaged header).
bool claimsBzip2(std::string_view head) {
  if (head.size() < 4 || !head.starts_with(kBzip2Magic) || head[3] < '1' || head[3] > '9') {
    return false;
  }
  const std::string_view rest = head.substr(4, kBzip2BlockMagic.size());
  return bzip2BlockFollows(rest) || std::any_of(rest.begin(), rest.end(), isBinary);
}

// A zstd file may open with a skippable frame: magic 0x184D2A50..0x184D2A5F, little-endian.
bool isZstdSkippable(std::string_view head) {
  return head.size() >= 4 && (byteAt(head, 0) & 0xF0) == 0x50 &&
         head.substr(1, 3) == "\x2a\x4d\x18";
}

std::optional<Damage> gzipDamage(std::string_view head) {
  if (head.size() > 2 && byteAt(head, 2) != kGzipDeflate) {
    return Damage{2, Message(translatable("the header is wrong: unknown compression method %s "
                                          "(gzip has only 8, deflate)"),
                             std::to_string(byteAt(head, 2)))};
  }
  if (head.size() > 3 && (byteAt(head, 3) & kGzipReserved) != 0) {
    return Damage{3, Message(translatable("the header is wrong: the reserved bits of the flag "
                                          "byte %s are not zero"),
                             hex(byteAt(head, 3)))};
  }
  return std::nullopt;
}

std::optional<Damage> bzip2Damage(std::string_view head) {
  if (!claimsBzip2(head) || bzip2BlockFollows(head.substr(4, kBzip2BlockMagic.size()))) {
    return std::nullopt;
  }
  return Damage{4, Message(translatable("the header is wrong: what follows the block size is "
                                        "neither a block nor the end of a stream"))};
}

std::optional<Damage> xzDamage(std::string_view head) {
  for (std::size_t at = kXzMagic.size(); at < std::min<std::size_t>(head.size(), 8); ++at) {
    // Stream flags: a zero byte, then the check type in the low four bits of the next.
    const std::uint8_t reserved = at == kXzMagic.size() ? 0xFF : 0xF0;
    if ((byteAt(head, at) & reserved) != 0) {
      return Damage{at, Message(translatable("the header is wrong: the reserved bits of the "
                                             "stream flags %s are not zero"),
                                hex(byteAt(head, at)))};
    }
  }
  return std::nullopt;
}

std::optional<Damage> zstdDamage(std::string_view head) {
  if (isZstdSkippable(head) || head.size() <= kZstdMagic.size()) return std::nullopt;
  if ((byteAt(head, 4) & kZstdReserved) == 0) return std::nullopt;
  return Damage{4, Message(translatable("the header is wrong: the reserved bit of the frame "
                                        "header descriptor %s is not zero"),
                           hex(byteAt(head, 4)))};
}

// The formats in the order they are told apart, each with what claims it and what is checked.
struct Format {
  Compression compression;
  bool (*claims)(std::string_view head);
  std::optional<Damage> (*damage)(std::string_view head);
};
constexpr std::array<Format, 4> kFormats = {{
    {Compression::kGzip, [](std::string_view head) { return head.starts_with(kGzipMagic); },
     gzipDamage},
    {Compression::kXz, [](std::string_view head) { return head.starts_with(kXzMagic); }, xzDamage},
    {Compression::kZstd,
     [](std::string_view head) { return head.starts_with(kZstdMagic) || isZstdSkippable(head); },
     zstdDamage},
    {Compression::kBzip2, claimsBzip2, bzip2Damage},
}};

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
  for (const Format& format : kFormats) {
    if (format.claims(head)) return format.compression;
  }
  return Compression::kNone;
}

Error headerError(Compression format, std::string_view head) {
  for (const Format& known : kFormats) {
    if (known.compression != format) continue;
    if (const std::optional<Damage> damage = known.damage(head.substr(0, kMagicBytes))) {
      return Error::described(Error::What::kDecompress, {},
                              compressedDataProblem(format, damage->offset, damage->words));
    }
  }
  return Error();
}

Message compressedDataProblem(Compression format, std::uint64_t offset, Message problem) {
  return Message(
      translatable("%s: the compressed data is wrong at byte %s of the compressed file: %s"),
      std::string(compressionName(format)), std::to_string(offset), std::move(problem));
}

}  // namespace crawlmeter
