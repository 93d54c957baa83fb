// The read loop of one unit: large reads from the unit's first byte to its last (or to the end of
// the file), each chunk fed to the counting and, for a file that needs it, to the converted copy.
// A compressed log is read through its decompressor, and standard input is told plain or
// compressed by its first bytes.
#include "run/unit_scan.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "decompress/decompressed_reader.h"
#include "files/replacement_file.h"
#include "logformat/file_scanner.h"

namespace crawlmeter {
namespace {

// The file a converted copy of the unit's log would replace; empty when none is to be written: a
// piece of a file, a run that converts nothing, a compressed log or standard input, or a log
// whose links cannot be followed (a link must stay a link).
std::string rewriteTarget(const LogFile& log, const WorkUnit& unit, const UnitOptions& options) {
  if (!options.rewriteLineEnds || unit.begin != 0 || unit.end != kToEndOfFile) return {};
  if (unit.compression != Compression::kNone || log.readInOrder()) return {};
  // A log read in another format keeps its bytes: its lines are not the positional reading's.
  if (!unit.format || !readsPositionally(*unit.format, options.reading)) return {};
  const Expected<std::string> target = resolveLinks(log.path());
  return target.ok() ? *target : std::string();
}

// Decompressed bytes are handed on in chunks of the size measured best for them, or of the run's
// chunk size when that is smaller (tests make it a few bytes).
std::size_t decompressedChunkBytes(const UnitOptions& options) {
  return std::min(options.chunkBytes, kDecompressedChunkBytes);
}

// The counting of one unit, chunk after chunk, whatever they are read from.
struct UnitCount {
  UnitCount(const std::shared_ptr<const LogFile>& log, const WorkUnit& unit,
            const UnitOptions& options, UnitResult& result, CrawlerSearch* catalogue)
      : counter(options.claimCheck, options.addressBudget),
        scanner(UnitStart{unit.format, unit.carriedState, unit.lineEnds}, options.reading, counter,
                result.counts, catalogue),
        rewrite(log, rewriteTarget(*log, unit, options)),
        end(unit.begin) {}

  void take(std::string_view chunk) {
    const LineEnds before = scanner.lineEnds();
    scanner.feed(chunk);
    rewrite.afterChunk(chunk, end, before, scanner.lineEnds());
    end += chunk.size();
  }

  // Passes on the bytes read from the file (compressed bytes for a compressed log).
  bool read(const UnitOptions& options, std::size_t bytes) {
    readBytes += bytes;
    return options.onChunk(bytes);
  }

  RecordCounter counter;
  FileScanner scanner;
  LineEndRewrite rewrite;
  std::uint64_t end;  // the offset after the last byte taken
  std::uint64_t readBytes = 0;
};

// Standard input: its first bytes tell its format; they are counted, or decompressed, first.
Error readStandardInput(const LogFile& log, std::vector<char>& buffer, UnitCount& count,
                        const UnitOptions& options) {
  std::size_t head = 0;
  for (bool ended = false; head < kMagicBytes && !ended;) {
    const Expected<std::size_t> got = log.readAt(buffer.data() + head, buffer.size() - head, 0);
    if (got.failed()) return got.error();
    ended = *got == 0;
    head += *got;
  }
  const std::string_view first(buffer.data(), head);
  if (!count.read(options, head)) return Error::of(Error::What::kCancelled, log.path());
  const Compression compression = compressionOf(first);
  if (compression != Compression::kNone) {
    const std::string copy(first);  // the buffer is the decompressor's no more
    return readDecompressed(log, compression, copy, decompressedChunkBytes(options),
                            options.decompressAlongside,
                            [&](std::string_view chunk, std::size_t compressedBytes) {
                              count.take(chunk);
                              return count.read(options, compressedBytes);
                            });
  }
  count.take(first);
  return log.readChunks(buffer, 0, kToEndOfFile, [&](std::string_view chunk, std::uint64_t) {
    count.take(chunk);
    return count.read(options, chunk.size());
  });
}

Error readUnit(const LogFile& log, const WorkUnit& unit, UnitCount& count,
               const UnitOptions& options) {
  if (unit.compression != Compression::kNone) {
    return readDecompressed(log, unit.compression, {}, decompressedChunkBytes(options),
                            options.decompressAlongside,
                            [&](std::string_view chunk, std::size_t compressedBytes) {
                              count.take(chunk);
                              return count.read(options, compressedBytes);
                            });
  }
  std::vector<char> buffer(options.chunkBytes);
  if (log.readInOrder()) return readStandardInput(log, buffer, count, options);
  return log.readChunks(buffer, unit.begin, unit.end, [&](std::string_view chunk, std::uint64_t) {
    count.take(chunk);
    return count.read(options, chunk.size());
  });
}

}  // namespace

Expected<UnitResult> scanUnit(const std::shared_ptr<const LogFile>& log, const WorkUnit& unit,
                              const UnitOptions& options, std::optional<CrawlerSearch>* search) {
  UnitResult result;
  std::optional<CrawlerSearch> ownSearch;
  if (!search) search = &ownSearch;
  if (options.catalogue) {
    if (!*search) {
      Expected<CrawlerSearch> started = CrawlerSearch::start(options.catalogue);
      if (started.failed()) return started.error().on(log->path());
      search->emplace(std::move(*started));
    }
    result.counts.crawlerCells.resize(options.catalogue->crawlerCount());
  }
  UnitCount count(log, unit, options, result, options.catalogue ? &**search : nullptr);
  if (const Error error = readUnit(*log, unit, count, options); error.failed()) return error;
  count.scanner.finish();
  result.edges = count.counter.takeEdges(result.counts);
  if (const Error error = count.counter.failure(); error.failed()) return error;
  result.claims = count.counter.takeClaims();
  Expected<std::string> label = count.scanner.dateLabel();
  if (label.failed()) return label.error().on(log->path());
  // A positional piece's label is its file's first piece's; other formats take their first
  // record's, from whichever piece holds it.
  if (unit.begin == 0 || !count.scanner.positional()) result.dateLabel = std::move(*label);
  result.carriedState = count.scanner.carriedState();
  result.counts.lines = count.scanner.tally();
  result.rewrite = count.rewrite.finish(count.end);
  result.bytes = FileBytes{count.readBytes, count.end - unit.begin};
  return result;
}

}  // namespace crawlmeter
