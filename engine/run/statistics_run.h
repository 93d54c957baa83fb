// The statistics run: counts every chosen log file, one streaming pass each, into the date labels
// and the eight count tables, and (when asked) converts files with bare LF line ends to CR LF.
//
// Contracts:
// - All eight kinds, and the crawlers of a catalogue when one is given, are counted at once; the
//   report chooses which one to show.
// - A run either succeeds whole or changes nothing: on a file that cannot be read, or on cancel,
//   no table is returned and no log file is rewritten.
// - Every file is opened once, when the run plans its work, and counted through that open file:
//   a log renamed or replaced meanwhile is counted as it was when the run began.
// - A log compressed with gzip, bzip2, xz or zstd counts exactly as its decompressed bytes; it is
//   never rewritten. The path "-" is standard input, plain or compressed.
// - A rewrite never puts a log at risk: see ReplacementFile and WriteLease. A file that cannot be
//   rewritten safely (several hard links, no write permission, open in another program, changed
//   or replaced while read, full disk) is left exactly as it was; it is counted the same either
//   way. While it replaces a log, the run holds a lease on it, whose break the kernel announces
//   with SIGURG (ignored unless the program handles it).
// - Reentrant: no globals; a run's state lives in the run. The run may count on several threads
//   of its own; the callbacks are called only on the calling thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "catalogue/crawler_matcher.h"
#include "run/line_end_rewrite.h"
#include "run/work_plan.h"
#include "scan/claim_tally.h"
#include "scan/count_table.h"

namespace crawlmeter {

// What a run produces for its files, in the order they were given: file 0 is the first.
struct StatisticsTables {
  std::vector<std::string> dateLabels;                    // UTF-8; file i's date label
  std::array<CountTable, kStatCategoryCount> kindCounts;  // indexed by kindIndex()
  // One table per crawler of the catalogue, when the run counted one.
  std::vector<CountTable> crawlerCounts;
  // The page views that no crawler of the catalogue (nor any of its agent rules) claims: people,
  // when the run counted a catalogue; else no table.
  CountTable people;
  std::vector<LineTally> lineTallies;  // file i's lines, and those not understood
  // File i's claims of the crawlers the run was asked to check (else empty tallies).
  std::vector<ClaimTally> claims;

  explicit StatisticsTables(std::size_t files = 0, std::size_t crawlers = 0);
  std::size_t fileCount() const { return dateLabels.size(); }
  const CountTable& counts(StatCategory kind) const { return kindCounts[kindIndex(kind)]; }
  CountTable& counts(StatCategory kind) { return kindCounts[kindIndex(kind)]; }
  bool operator==(const StatisticsTables&) const = default;
};

// Reads this large keep the system-call cost per byte negligible, and small enough that a chunk is
// still in the processor's second-level cache when its lines are counted after its index pass
// (measured on a 1 GiB log: 256 KiB took 15% less time than 1 MiB, 64 KiB 6% more than 256 KiB).
inline constexpr std::size_t kDefaultChunkBytes = 256 << 10;

struct RunOptions {
  // Convert files with bare LF line ends on disk (the window does; the command only when asked).
  bool rewriteLineEnds = false;
  std::size_t chunkBytes = kDefaultChunkBytes;
  // Threads that count at once; 0 takes one per processor core. The result never depends on it.
  std::size_t workers = 0;
  // Called now and then on the calling thread with the bytes read so far and the bytes of all
  // files together (0 when unknown: standard input is read). A compressed log counts by its
  // compressed bytes.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
  // Called now and then on the calling thread; true ends the run as cancelled.
  std::function<bool()> cancelRequested;
  // A crawler catalogue to count in the same pass, when given.
  std::shared_ptr<const CrawlerMatcher> catalogue;
  // The formats of the logs, and how their records are read.
  ReadingChoice reading = {};
  // Judges the claims of the catalogue's crawlers it checks, when given: scan/claim_tally.h.
  std::shared_ptr<const ClaimCheck> claimCheck = nullptr;
  // The memory the client addresses of hour-runs may take, in bytes (0: a quarter of the
  // machine's physical memory). Beyond it, a run keeps them in temporary files in the system's
  // temporary folder, removed when the run ends however it ends; the counts stay exact.
  std::uint64_t memoryLimit = 0;

  // How large files are cut for the threads (tests cut small files into many pieces).
  std::uint64_t smallestPieceBytes = kSmallestPieceBytes;
  std::size_t probeBytes = kProbeBytes;
  // Seams for tests, called on the calling thread: once every file is open and planned, before
  // any is counted; and while the run holds the lease on a log it is about to replace.
  std::function<void()> afterPlanning;
  WhileLeased whileLeased;
};

// A run succeeds (error.ok()) with its tables, or fails with error: kCancelled when the user
// stopped it, else what failed, on which file, and why.
struct RunResult {
  StatisticsTables tables;       // when it succeeded
  std::vector<FileBytes> bytes;  // when it succeeded: file i's
  Error error;                   // when it failed
  std::size_t failedFile = 0;    // when it failed, not cancelled: the index in files of the file
};

// The message for a log file that cannot be opened or read, in wording's language: its path and,
// on a line of its own, the reason.
std::string unreadableFileMessage(const std::string& path, const Error& error,
                                  const Wording& wording);

// Counts files, in order.
RunResult runStatistics(std::span<const std::string> files, const RunOptions& options);

}  // namespace crawlmeter
