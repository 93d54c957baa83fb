// The four decoders on their reference libraries: ISA-L's igzip (the fastest inflate Debian
// ships), libbz2, liblzma and libzstd.
#include "decompress/decoder.h"

#include <bzlib.h>
#include <isa-l/igzip_lib.h>
#include <lzma.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <limits>

namespace crawlmeter {
namespace {

constexpr const char* kChecksumWords =
    translatable("the checksum does not match: the data is damaged");
constexpr const char* kTrailingWords =
    translatable("there is data after the last compressed stream that does not belong to it");
// An xz stream made with the largest preset needs 65 MiB; nothing a log needs goes beyond.
constexpr std::uint64_t kXzMemoryLimit = 128ULL << 20;
// zstd frames with windows up to 128 MiB, the format's default limit.
constexpr int kZstdWindowLogMax = 27;

// Data that is wrong, in the program's words (english is a translatable() text).
Error bad(const char* english) {
  return Error::described(Error::What::kDecompress, {}, Message(english));
}

// A library that could not get the memory to start decoding format.
Error noMemory(Compression format) {
  return Error::described(Error::What::kResources, {},
                          Message(translatable("not enough memory to start decompressing %s"),
                                  std::string(compressionName(format))));
}

// Streams one after another, as gzip, bzip2 and xz write them: after a stream ends, the next
// bytes must open another (checked by its magic), or be zero padding where the format allows it.
class StreamSequence : public Decoder {
 public:
  StreamSequence(std::string_view magic, bool padding) : magic_(magic), padding_(padding) {}

  Step decode(std::string_view input, std::span<char> output) final {
    Step step;
    while (step.error.ok()) {
      const std::string_view rest = input.substr(step.consumed);
      if (phase_ == Phase::kPadding) {
        if (rest.find_first_not_of('\0') != std::string_view::npos)
          step.error = bad(kTrailingWords);
        step.consumed = input.size();
        break;
      }
      if (phase_ == Phase::kBetween) {
        if (rest.empty()) break;
        if (rest[0] == '\0' && padding_) {
          phase_ = Phase::kPadding;
        } else if (!magic_.starts_with(rest.substr(0, magic_.size()))) {
          step.error = bad(kTrailingWords);
        } else {
          step.error = startStream();
          phase_ = Phase::kStream;
        }
        continue;
      }
      if (step.produced == output.size()) break;
      bool ended = false;
      Step made = decodeStream(rest, output.subspan(step.produced), &ended);
      step.consumed += made.consumed;
      step.produced += made.produced;
      step.error = std::move(made.error);
      if (ended) phase_ = Phase::kBetween;
      if (!ended && made.consumed == 0 && made.produced == 0) break;
    }
    return step;
  }

  Error finish() final { return phase_ == Phase::kStream ? bad(kTruncatedWords) : Error(); }

 protected:
  // Fails with kResources when the library cannot start a stream.
  virtual Error startStream() = 0;
  // Decodes some of the stream; *ended when it is complete.
  virtual Step decodeStream(std::string_view input, std::span<char> output, bool* ended) = 0;

 private:
  enum class Phase { kStream, kBetween, kPadding };
  std::string_view magic_;
  bool padding_;
  Phase phase_ = Phase::kBetween;  // the first stream is checked like any other
};

template <typename Size>
Size sizeOf(std::size_t bytes) {
  return static_cast<Size>(std::min<std::size_t>(bytes, std::numeric_limits<Size>::max()));
}

// How much of before a call used, given what it left.
std::size_t usedOf(std::uint32_t before, std::uint32_t left) {
  return left <= before ? before - left : before;
}

// gzip members on ISA-L; zero bytes after the last member are padding, as gzip allows.
class GzipDecoder final : public StreamSequence {
 public:
  GzipDecoder() : StreamSequence("\x1f\x8b", true) {}

 private:
  Error startStream() override {
    isal_inflate_init(&state_);
    state_.crc_flag = ISAL_GZIP;
    return Error();
  }

  Step decodeStream(std::string_view input, std::span<char> output, bool* ended) override {
    state_.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input.data()));
    state_.avail_in = sizeOf<std::uint32_t>(input.size());
    state_.next_out = reinterpret_cast<std::uint8_t*>(output.data());
    state_.avail_out = sizeOf<std::uint32_t>(output.size());
    const std::uint32_t inBefore = state_.avail_in, outBefore = state_.avail_out;
    const int result = isal_inflate(&state_);
    Error error;
    if (result == ISAL_INCORRECT_CHECKSUM) {
      error = bad(kChecksumWords);
    } else if (result == ISAL_INVALID_WRAPPER || result == ISAL_UNSUPPORTED_METHOD) {
      error = bad(translatable("the data is damaged (not a gzip member header)"));
    } else if (result < 0) {
      error = bad(translatable("the data is damaged (invalid deflate data)"));
    }
    *ended = error.ok() && state_.block_state == ISAL_BLOCK_FINISH;
    // On some bad data ISA-L leaves a count past what it was given; all of it is then used up.
    return Step{usedOf(inBefore, state_.avail_in), usedOf(outBefore, state_.avail_out),
                std::move(error)};
  }

  inflate_state state_{};
};

// bzip2 streams on libbz2.
class Bzip2Decoder final : public StreamSequence {
 public:
  Bzip2Decoder() : StreamSequence("BZh", false) {}
  ~Bzip2Decoder() override { end(); }

 private:
  void end() {
    if (started_) BZ2_bzDecompressEnd(&stream_);
    started_ = false;
  }

  Error startStream() override {
    end();
    stream_ = bz_stream{};
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) return noMemory(Compression::kBzip2);
    started_ = true;
    return Error();
  }

  Step decodeStream(std::string_view input, std::span<char> output, bool* ended) override {
    stream_.next_in = const_cast<char*>(input.data());
    stream_.avail_in = sizeOf<unsigned>(input.size());
    stream_.next_out = output.data();
    stream_.avail_out = sizeOf<unsigned>(output.size());
    const unsigned inBefore = stream_.avail_in, outBefore = stream_.avail_out;
    const int result = BZ2_bzDecompress(&stream_);
    Error error;
    if (result == BZ_DATA_ERROR || result == BZ_DATA_ERROR_MAGIC) {
      error = bad(translatable("the data is damaged (a bad block or checksum)"));
    } else if (result == BZ_MEM_ERROR) {
      error = bad(kMemoryWords);
    }
    *ended = result == BZ_STREAM_END;
    return Step{inBefore - stream_.avail_in, outBefore - stream_.avail_out, std::move(error)};
  }

  bz_stream stream_{};
  bool started_ = false;
};

// xz streams on liblzma; zero bytes between and after streams are stream padding.
class XzDecoder final : public StreamSequence {
 public:
  XzDecoder()
      : StreamSequence({"\xfd"
                        "7zXZ\0",
                        6},
                       true) {}
  ~XzDecoder() override { lzma_end(&stream_); }

 private:
  Error startStream() override {
    if (lzma_stream_decoder(&stream_, kXzMemoryLimit, 0) != LZMA_OK) {
      return noMemory(Compression::kXz);
    }
    return Error();
  }

  Step decodeStream(std::string_view input, std::span<char> output, bool* ended) override {
    stream_.next_in = reinterpret_cast<const std::uint8_t*>(input.data());
    stream_.avail_in = input.size();
    stream_.next_out = reinterpret_cast<std::uint8_t*>(output.data());
    stream_.avail_out = output.size();
    const lzma_ret result = lzma_code(&stream_, LZMA_RUN);
    Error error;
    if (result == LZMA_DATA_ERROR || result == LZMA_FORMAT_ERROR) {
      error = bad(translatable("the data is damaged (bad data or a bad checksum)"));
    } else if (result == LZMA_MEMLIMIT_ERROR || result == LZMA_MEM_ERROR) {
      error = bad(kMemoryWords);
    } else if (result != LZMA_OK && result != LZMA_STREAM_END && result != LZMA_BUF_ERROR) {
      error = bad(translatable("the data is damaged (unsupported options)"));
    }
    *ended = result == LZMA_STREAM_END;
    return Step{input.size() - stream_.avail_in, output.size() - stream_.avail_out,
                std::move(error)};
  }

  lzma_stream stream_ = LZMA_STREAM_INIT;
};

// zstd: frames follow one another; the decoder starts the next by itself.
class ZstdDecoder final : public Decoder {
 public:
  // stream is ZSTD_createDStream()'s, not null.
  explicit ZstdDecoder(ZSTD_DStream* stream) : stream_(stream) {
    ZSTD_DCtx_setParameter(stream_, ZSTD_d_windowLogMax, kZstdWindowLogMax);
  }
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }
  ZstdDecoder(const ZstdDecoder&) = delete;
  ZstdDecoder& operator=(const ZstdDecoder&) = delete;

  Step decode(std::string_view input, std::span<char> output) override {
    ZSTD_inBuffer in{input.data(), input.size(), 0};
    ZSTD_outBuffer out{output.data(), output.size(), 0};
    Error error;
    while (out.pos < out.size) {
      const std::size_t inBefore = in.pos, outBefore = out.pos;
      const std::size_t result = ZSTD_decompressStream(stream_, &out, &in);
      if (ZSTD_isError(result)) {
        error = describe(result);
        break;
      }
      if (in.pos == inBefore && out.pos == outBefore) break;
      frameEnded_ = result == 0;  // only a call that did something tells where a frame stands
    }
    return Step{in.pos, out.pos, std::move(error)};
  }

  Error finish() override { return frameEnded_ ? Error() : bad(kTruncatedWords); }

 private:
  // The program's own words for libzstd's errors, whose names are English only.
  static Error describe(std::size_t result) {
    switch (ZSTD_getErrorCode(result)) {
      case ZSTD_error_checksum_wrong:
        return bad(kChecksumWords);
      case ZSTD_error_prefix_unknown:
        return bad(kTrailingWords);
      case ZSTD_error_frameParameter_windowTooLarge:
      case ZSTD_error_memory_allocation:
        return bad(kMemoryWords);
      case ZSTD_error_dictionary_wrong:
        return bad(translatable("the data is damaged (the zstd frame needs a dictionary)"));
      case ZSTD_error_frameParameter_unsupported:
      case ZSTD_error_version_unsupported:
        return bad(translatable("the data is damaged (an unsupported zstd frame)"));
      default:
        return bad(translatable("the data is damaged (invalid zstd data)"));
    }
  }

  ZSTD_DStream* stream_;
  bool frameEnded_ = true;  // no data at all is an empty file
};

}  // namespace

Expected<std::unique_ptr<Decoder>> Decoder::create(Compression format) {
  switch (format) {
    case Compression::kGzip:
      return std::unique_ptr<Decoder>(std::make_unique<GzipDecoder>());
    case Compression::kBzip2:
      return std::unique_ptr<Decoder>(std::make_unique<Bzip2Decoder>());
    case Compression::kXz:
      return std::unique_ptr<Decoder>(std::make_unique<XzDecoder>());
    case Compression::kZstd: {
      ZSTD_DStream* stream = ZSTD_createDStream();
      if (stream == nullptr) return noMemory(format);
      return std::unique_ptr<Decoder>(std::make_unique<ZstdDecoder>(stream));
    }
    default:
      return std::unique_ptr<Decoder>();
  }
}

}  // namespace crawlmeter
