// The decompressing thread and the caller share a fixed ring of buffers: the thread fills free
// ones, the caller hands filled ones to the counting and frees them.
#include "decompress/decompressed_reader.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "decompress/decoder.h"

namespace crawlmeter {
namespace {

// Enough buffers that the decompressing thread rarely waits for the counting, few enough that
// their memory stays small.
constexpr std::size_t kBuffers = 4;

struct Filled {
  std::size_t buffer = 0;
  std::size_t bytes = 0;
  std::size_t compressedBytes = 0;
};

class Pipeline {
 public:
  Pipeline(const LogFile& file, Compression format, std::string_view head, std::size_t chunkBytes,
           std::size_t buffers)
      : file_(file), format_(format), head_(head), chunkBytes_(chunkBytes), buffers_(buffers) {}

  // Takes the memory of the buffers and checks the header: nothing is decoded when it fails.
  Error prepare();

  // Decompresses on the calling thread, handing each buffer over as soon as it is full.
  Error runHere(const DecompressedTaker& take) {
    Expected<std::unique_ptr<Decoder>> decoder = Decoder::create(format_);
    if (decoder.failed()) return decoder.error().on(file_.path());
    for (bool last = false; !last;) {
      Filled filled{0, 0, 0};
      const Error error = fill(**decoder, filled);
      if (!take(std::string_view(buffers_[0].get(), filled.bytes), filled.compressedBytes)) {
        return Error::of(Error::What::kCancelled, file_.path());
      }
      if (error.failed()) return error;
      last = filled.bytes < chunkBytes_;
    }
    return Error();
  }

  Error run(const DecompressedTaker& take) {
    std::jthread producer([this] { produce(); });
    // However this ends (a cancel, an exception from take), the producer is told to stop before
    // it is joined, so that it never waits for a buffer nobody will free.
    const StopOnExit stopper{*this};
    for (;;) {
      std::optional<Filled> next = nextFilled();
      if (!next) break;
      if (!take(std::string_view(buffers_[next->buffer].get(), next->bytes),
                next->compressedBytes)) {
        return Error::of(Error::What::kCancelled, file_.path());
      }
      release(next->buffer);
    }
    return error_;
  }

 private:
  struct StopOnExit {
    Pipeline& pipeline;
    ~StopOnExit() { pipeline.stop(); }
  };

  std::optional<Filled> nextFilled() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !filled_.empty() || done_; });
    if (filled_.empty()) return std::nullopt;
    Filled next = filled_.front();
    filled_.pop_front();
    return next;
  }

  void release(std::size_t buffer) {
    {
      std::lock_guard lock(mutex_);
      free_.push_back(buffer);
    }
    changed_.notify_all();
  }

  void stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

  // A free buffer, or nullopt when the caller stopped.
  std::optional<std::size_t> freeBuffer() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !free_.empty() || stopped_; });
    if (stopped_) return std::nullopt;
    const std::size_t buffer = free_.back();
    free_.pop_back();
    return buffer;
  }

  void publish(const Filled& filled) {
    {
      std::lock_guard lock(mutex_);
      filled_.push_back(filled);
    }
    changed_.notify_all();
  }

  void finish(Error error) {
    {
      std::lock_guard lock(mutex_);
      error_ = std::move(error);
      done_ = true;
    }
    changed_.notify_all();
  }

  void produce();
  Error fill(Decoder& decoder, Filled& filled);
  Error failure(const Error& problem) const;

  const LogFile& file_;
  const Compression format_;
  std::string_view input_;  // compressed bytes read and not yet decoded
  const std::string_view head_;
  const std::size_t chunkBytes_;
  std::unique_ptr<char[]> inputBuffer_;
  std::uint64_t readOffset_ = 0;     // compressed bytes read from the file
  std::uint64_t decodedOffset_ = 0;  // compressed bytes decoded
  bool endOfInput_ = false;
  std::vector<std::unique_ptr<char[]>> buffers_;  // chunkBytes_ each

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::size_t> free_;
  std::deque<Filled> filled_;
  bool stopped_ = false;
  bool done_ = false;
  Error error_;
};

// A decoder's failure on the file: bad data is told with the format and where it is wrong.
Error Pipeline::failure(const Error& problem) const {
  if (problem.what != Error::What::kDecompress) return problem.on(file_.path());
  return Error::described(Error::What::kDecompress, file_.path(),
                          compressedDataProblem(format_, decodedOffset_, problem.detail));
}

// Memory that cannot be had is an error to return, as everything else here.
std::unique_ptr<char[]> tryAllocate(std::size_t bytes) {
  return std::unique_ptr<char[]>(new (std::nothrow) char[bytes]);
}

Error Pipeline::prepare() {
  inputBuffer_ = tryAllocate(chunkBytes_);
  bool allocated = inputBuffer_ != nullptr;
  for (std::size_t i = 0; i < buffers_.size() && allocated; ++i) {
    buffers_[i] = tryAllocate(chunkBytes_);
    allocated = buffers_[i] != nullptr;
    free_.push_back(i);
  }
  if (!allocated) {
    return Error::described(
        Error::What::kResources, file_.path(),
        Message(translatable("not enough memory for the decompression buffers")));
  }
  input_ = head_;
  readOffset_ = head_.size();
  if (!head_.empty()) return headerError(format_, head_).on(file_.path());
  // A file's first bytes were read to tell its format; they are read again to check its header.
  char head[kMagicBytes];
  const Expected<std::size_t> got = file_.readAt(head, sizeof head, 0);
  if (got.failed()) return got.error();
  return headerError(format_, std::string_view(head, *got)).on(file_.path());
}

// Fills the buffer of filled with decoded bytes, reading more of the file as needed.
Error Pipeline::fill(Decoder& decoder, Filled& filled) {
  const std::span<char> out(buffers_[filled.buffer].get(), chunkBytes_);
  while (filled.bytes < out.size()) {
    if (input_.empty() && !endOfInput_) {
      const Expected<std::size_t> got = file_.readAt(inputBuffer_.get(), chunkBytes_, readOffset_);
      if (got.failed()) return got.error();
      readOffset_ += *got;
      filled.compressedBytes += *got;
      endOfInput_ = *got == 0;
      input_ = std::string_view(inputBuffer_.get(), *got);
    }
    const Decoder::Step step = decoder.decode(input_, out.subspan(filled.bytes));
    input_.remove_prefix(step.consumed);
    decodedOffset_ += step.consumed;
    filled.bytes += step.produced;
    if (step.error.failed()) return failure(step.error);
    // A decoder that takes none of the input it is given, with room to write, would never end.
    if (step.consumed == 0 && step.produced == 0 && !input_.empty()) {
      return failure(Error::described(Error::What::kDecompress, {}, Message(kCorruptWords)));
    }
    if (endOfInput_ && step.produced == 0) {
      if (const Error end = decoder.finish(); end.failed()) return failure(end);
      break;
    }
  }
  return Error();
}

void Pipeline::produce() {
  Expected<std::unique_ptr<Decoder>> decoder = Decoder::create(format_);
  if (decoder.failed()) return finish(decoder.error().on(file_.path()));
  Error error;
  for (bool last = false; !last;) {
    const std::optional<std::size_t> buffer = freeBuffer();
    if (!buffer) break;
    Filled filled{*buffer, 0, 0};
    error = fill(**decoder, filled);
    last = error.failed() || filled.bytes < chunkBytes_;
    publish(filled);
  }
  finish(std::move(error));
}

}  // namespace

Error readDecompressed(const LogFile& file, Compression format, std::string_view head,
                       std::size_t chunkBytes, bool ownThread, const DecompressedTaker& take) {
  Pipeline pipeline(file, format, head, chunkBytes, ownThread ? kBuffers : 1);
  if (const Error error = pipeline.prepare(); error.failed()) return error;
  return ownThread ? pipeline.run(take) : pipeline.runHere(take);
}

}  // namespace crawlmeter
