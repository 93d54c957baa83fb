// One-shot compression with each format's library, at a fast level: the tests are about reading.
#include "compress.h"

#include <bzlib.h>
#include <isa-l/igzip_lib.h>
#include <lzma.h>
#include <zstd.h>

#include <stdexcept>
#include <vector>

namespace crawlmeter::testing {
namespace {

// Room for any input: stored blocks and headers add far less than this.
std::size_t roomFor(std::size_t bytes) { return bytes + bytes / 8 + 1024; }

std::string gzip(std::string_view bytes) {
  std::string out(roomFor(bytes.size()), '\0');
  isal_zstream stream;
  isal_deflate_init(&stream);
  stream.gzip_flag = IGZIP_GZIP;
  stream.end_of_stream = 1;
  stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<std::uint32_t>(bytes.size());
  stream.next_out = reinterpret_cast<std::uint8_t*>(out.data());
  stream.avail_out = static_cast<std::uint32_t>(out.size());
  if (isal_deflate(&stream) != COMP_OK || stream.internal_state.state != ZSTATE_END)
    throw std::runtime_error("gzip failed");
  out.resize(stream.total_out);
  return out;
}

std::string bzip2(std::string_view bytes) {
  std::string out(roomFor(bytes.size()), '\0');
  auto size = static_cast<unsigned>(out.size());
  if (BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(bytes.data()),
                               static_cast<unsigned>(bytes.size()), 1, 0, 0) != BZ_OK)
    throw std::runtime_error("bzip2 failed");
  out.resize(size);
  return out;
}

std::string xz(std::string_view bytes) {
  std::string out(roomFor(bytes.size()), '\0');
  std::size_t size = 0;
  if (lzma_easy_buffer_encode(
          1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(bytes.data()),
          bytes.size(), reinterpret_cast<std::uint8_t*>(out.data()), &size, out.size()) != LZMA_OK)
    throw std::runtime_error("xz failed");
  out.resize(size);
  return out;
}

std::string zstd(std::string_view bytes) {
  std::string out(ZSTD_compressBound(bytes.size()), '\0');
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 3);
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  const std::size_t size =
      ZSTD_compress2(context, out.data(), out.size(), bytes.data(), bytes.size());
  ZSTD_freeCCtx(context);
  if (ZSTD_isError(size)) throw std::runtime_error("zstd failed");
  out.resize(size);
  return out;
}

}  // namespace

std::string compress(Compression format, std::string_view bytes) {
  switch (format) {
    case Compression::kGzip:
      return gzip(bytes);
    case Compression::kBzip2:
      return bzip2(bytes);
    case Compression::kXz:
      return xz(bytes);
    case Compression::kZstd:
      return zstd(bytes);
    default:
      return std::string(bytes);
  }
}

}  // namespace crawlmeter::testing
