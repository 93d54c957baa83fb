// The decompressing thread and the caller share a fixed ring of buffers: the thread fills free
// ones, the caller hands filled ones to the counting and frees them.
#include "decompress/decompressed_reader.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <optional>
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
  Pipeline(const LogFile& file, Compression format, std::string_view head, std::size_t chunkBytes)
      : file_(file),
        format_(format),
        head_(head),
        chunkBytes_(chunkBytes),
        buffers_(kBuffers, std::vector<char>(chunkBytes)) {
    for (std::size_t i = 0; i < kBuffers; ++i) free_.push_back(i);
  }

  Error run(const DecompressedTaker& take) {
    std::jthread producer([this] { produce(); });
    for (;;) {
      std::optional<Filled> next = nextFilled();
      if (!next) break;
      const std::vector<char>& buffer = buffers_[next->buffer];
      if (!take(std::string_view(buffer.data(), next->bytes), next->compressedBytes)) {
        stop();
        return Error::of(Error::What::kCancelled, file_.path());
      }
      release(next->buffer);
    }
    producer.join();
    return error_;
  }

 private:
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
  Error failure(std::string_view problem) const;

  const LogFile& file_;
  const Compression format_;
  std::string_view input_;  // compressed bytes read and not yet decoded
  const std::string_view head_;
  const std::size_t chunkBytes_;
  std::vector<char> inputBuffer_;
  std::uint64_t readOffset_ = 0;     // compressed bytes read from the file
  std::uint64_t decodedOffset_ = 0;  // compressed bytes decoded
  bool endOfInput_ = false;
  std::vector<std::vector<char>> buffers_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::size_t> free_;
  std::deque<Filled> filled_;
  bool stopped_ = false;
  bool done_ = false;
  Error error_;
};

Error Pipeline::failure(std::string_view problem) const {
  Error error = Error::of(Error::What::kDecompress, file_.path());
  error.detail = std::string(compressionName(format_)) + " 压缩数据有误（压缩文件第 " +
                 std::to_string(decodedOffset_) + " 字节处）：" + std::string(problem);
  return error;
}

// Fills the buffer of filled with decoded bytes, reading more of the file as needed.
Error Pipeline::fill(Decoder& decoder, Filled& filled) {
  std::vector<char>& out = buffers_[filled.buffer];
  while (filled.bytes < out.size()) {
    if (input_.empty() && !endOfInput_) {
      const Expected<std::size_t> got =
          file_.readAt(inputBuffer_.data(), inputBuffer_.size(), readOffset_);
      if (!got) return got.error();
      readOffset_ += *got;
      filled.compressedBytes += *got;
      endOfInput_ = *got == 0;
      input_ = std::string_view(inputBuffer_.data(), *got);
    }
    std::string problem;
    const Decoder::Step step =
        decoder.decode(input_, std::span(out).subspan(filled.bytes), &problem);
    input_.remove_prefix(step.consumed);
    decodedOffset_ += step.consumed;
    filled.bytes += step.produced;
    if (!problem.empty()) return failure(problem);
    // A decoder that takes none of the input it is given, with room to write, would never end.
    if (step.consumed == 0 && step.produced == 0 && !input_.empty()) {
      return failure("数据已损坏");
    }
    if (endOfInput_ && step.produced == 0) {
      if (!decoder.finish(&problem)) return failure(problem);
      break;
    }
  }
  return Error();
}

void Pipeline::produce() {
  Error error;
  try {
    std::unique_ptr<Decoder> decoder = Decoder::create(format_);
    inputBuffer_.resize(chunkBytes_);
    input_ = head_;
    readOffset_ = head_.size();
    for (bool last = false; !last;) {
      const std::optional<std::size_t> buffer = freeBuffer();
      if (!buffer) break;
      Filled filled{*buffer, 0, 0};
      error = fill(*decoder, filled);
      last = error || filled.bytes < buffers_[*buffer].size();
      publish(filled);
    }
  } catch (const std::bad_alloc&) {
    error = failure("解压需要的内存超过上限");
  }
  finish(std::move(error));
}

}  // namespace

Error readDecompressed(const LogFile& file, Compression format, std::string_view head,
                       std::size_t chunkBytes, const DecompressedTaker& take) {
  return Pipeline(file, format, head, chunkBytes).run(take);
}

}  // namespace crawlmeter
