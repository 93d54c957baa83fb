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
#include <new>

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

// Streams one after another, as gzip, bzip2 and xz write them: after a stream ends, the next
// bytes must open another (checked by its magic), or be zero padding where the format allows it.
class StreamSequence : public Decoder {
 public:
  StreamSequence(std::string_view magic, bool padding) : magic_(magic), padding_(padding) {}

  Step decode(std::string_view input, std::span<char> output, Message* problem) final {
    Step step;
    while (problem->empty()) {
      const std::string_view rest = input.substr(step.consumed);
      if (phase_ == Phase::kPadding) {
        if (rest.find_first_not_of('\0') != std::string_view::npos)
          *problem = Message(kTrailingWords);
        step.consumed = input.size();
        break;
      }
      if (phase_ == Phase::kBetween) {
        if (rest.empty()) break;
        if (rest[0] == '\0' && padding_) {
          phase_ = Phase::kPadding;
        } else if (!magic_.starts_with(rest.substr(0, magic_.size()))) {
          *problem = Message(kTrailingWords);
        } else {
          startStream();
          phase_ = Phase::kStream;
        }
        continue;
      }
      if (step.produced == output.size()) break;
      bool ended = false;
      const Step made = decodeStream(rest, output.subspan(step.produced), &ended, problem);
      step.consumed += made.consumed;
      step.produced += made.produced;
      if (ended) phase_ = Phase::kBetween;
      if (!ended && made.consumed == 0 && made.produced == 0) break;
    }
    return step;
  }

  bool finish(Message* problem) final {
    if (phase_ == Phase::kStream) *problem = Message(kTruncatedWords);
    return phase_ != Phase::kStream;
  }

 protected:
  virtual void startStream() = 0;
  // Decodes some of the stream; *ended when it is complete.
  virtual Step decodeStream(std::string_view input, std::span<char> output, bool* ended,
                            Message* problem) = 0;

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
  void startStream() override {
    isal_inflate_init(&state_);
    state_.crc_flag = ISAL_GZIP;
  }

  Step decodeStream(std::string_view input, std::span<char> output, bool* ended,
                    Message* problem) override {
    state_.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input.data()));
    state_.avail_in = sizeOf<std::uint32_t>(input.size());
    state_.next_out = reinterpret_cast<std::uint8_t*>(output.data());
    state_.avail_out = sizeOf<std::uint32_t>(output.size());
    const std::uint32_t inBefore = state_.avail_in, outBefore = state_.avail_out;
    const int result = isal_inflate(&state_);
    if (result == ISAL_INCORRECT_CHECKSUM) {
      *problem = Message(kChecksumWords);
    } else if (result == ISAL_INVALID_WRAPPER || result == ISAL_UNSUPPORTED_METHOD) {
      *problem = Message(translatable("the data is damaged (not a gzip member header)"));
    } else if (result < 0) {
      *problem = Message(translatable("the data is damaged (invalid deflate data)"));
    }
    *ended = problem->empty() && state_.block_state == ISAL_BLOCK_FINISH;
    // On some bad data ISA-L leaves a count past what it was given; all of it is then used up.
    return Step{usedOf(inBefore, state_.avail_in), usedOf(outBefore, state_.avail_out)};
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

  void startStream() override {
    end();
    stream_ = bz_stream{};
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) throw std::bad_alloc();
    started_ = true;
  }

  Step decodeStream(std::string_view input, std::span<char> output, bool* ended,
                    Message* problem) override {
    stream_.next_in = const_cast<char*>(input.data());
    stream_.avail_in = sizeOf<unsigned>(input.size());
    stream_.next_out = output.data();
    stream_.avail_out = sizeOf<unsigned>(output.size());
    const unsigned inBefore = stream_.avail_in, outBefore = stream_.avail_out;
    const int result = BZ2_bzDecompress(&stream_);
    if (result == BZ_DATA_ERROR || result == BZ_DATA_ERROR_MAGIC) {
      *problem = Message(translatable("the data is damaged (a bad block or checksum)"));
    } else if (result == BZ_MEM_ERROR) {
      *problem = Message(kMemoryWords);
    }
    *ended = result == BZ_STREAM_END;
    return Step{inBefore - stream_.avail_in, outBefore - stream_.avail_out};
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
  void startStream() override {
    if (lzma_stream_decoder(&stream_, kXzMemoryLimit, 0) != LZMA_OK) throw std::bad_alloc();
  }

  Step decodeStream(std::string_view input, std::span<char> output, bool* ended,
                    Message* problem) override {
    stream_.next_in = reinterpret_cast<const std::uint8_t*>(input.data());
    stream_.avail_in = input.size();
    stream_.next_out = reinterpret_cast<std::uint8_t*>(output.data());
    stream_.avail_out = output.size();
    const lzma_ret result = lzma_code(&stream_, LZMA_RUN);
    if (result == LZMA_DATA_ERROR || result == LZMA_FORMAT_ERROR) {
      *problem = Message(translatable("the data is damaged (bad data or a bad checksum)"));
    } else if (result == LZMA_MEMLIMIT_ERROR || result == LZMA_MEM_ERROR) {
      *problem = Message(kMemoryWords);
    } else if (result != LZMA_OK && result != LZMA_STREAM_END && result != LZMA_BUF_ERROR) {
      *problem = Message(translatable("the data is damaged (unsupported options)"));
    }
    *ended = result == LZMA_STREAM_END;
    return Step{input.size() - stream_.avail_in, output.size() - stream_.avail_out};
  }

  lzma_stream stream_ = LZMA_STREAM_INIT;
};

// zstd: frames follow one another; the decoder starts the next by itself.
class ZstdDecoder final : public Decoder {
 public:
  ZstdDecoder() : stream_(ZSTD_createDStream()) {
    if (stream_ == nullptr) throw std::bad_alloc();
    ZSTD_DCtx_setParameter(stream_, ZSTD_d_windowLogMax, kZstdWindowLogMax);
  }
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }

  Step decode(std::string_view input, std::span<char> output, Message* problem) override {
    ZSTD_inBuffer in{input.data(), input.size(), 0};
    ZSTD_outBuffer out{output.data(), output.size(), 0};
    while (out.pos < out.size) {
      const std::size_t inBefore = in.pos, outBefore = out.pos;
      const std::size_t result = ZSTD_decompressStream(stream_, &out, &in);
      if (ZSTD_isError(result)) {
        *problem = describe(result);
        break;
      }
      if (in.pos == inBefore && out.pos == outBefore) break;
      frameEnded_ = result == 0;  // only a call that did something tells where a frame stands
    }
    return Step{in.pos, out.pos};
  }

  bool finish(Message* problem) override {
    if (!frameEnded_) *problem = Message(kTruncatedWords);
    return frameEnded_;
  }

 private:
  // The program's own words for libzstd's errors, whose names are English only.
  static Message describe(std::size_t result) {
    switch (ZSTD_getErrorCode(result)) {
      case ZSTD_error_checksum_wrong:
        return Message(kChecksumWords);
      case ZSTD_error_prefix_unknown:
        return Message(kTrailingWords);
      case ZSTD_error_frameParameter_windowTooLarge:
      case ZSTD_error_memory_allocation:
        return Message(kMemoryWords);
      case ZSTD_error_dictionary_wrong:
        return Message(translatable("the data is damaged (the zstd frame needs a dictionary)"));
      case ZSTD_error_frameParameter_unsupported:
      case ZSTD_error_version_unsupported:
        return Message(translatable("the data is damaged (an unsupported zstd frame)"));
      default:
        return Message(translatable("the data is damaged (invalid zstd data)"));
    }
  }

  ZSTD_DStream* stream_;
  bool frameEnded_ = true;  // no data at all is an empty file
};

}  // namespace

std::unique_ptr<Decoder> Decoder::create(Compression format) {
  switch (format) {
    case Compression::kGzip:
      return std::make_unique<GzipDecoder>();
    case Compression::kBzip2:
      return std::make_unique<Bzip2Decoder>();
    case Compression::kXz:
      return std::make_unique<XzDecoder>();
    case Compression::kZstd:
      return std::make_unique<ZstdDecoder>();
    default:
      return nullptr;
  }
}

}  // namespace crawlmeter
