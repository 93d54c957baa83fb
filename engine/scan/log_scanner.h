// One streaming pass over one log file: finds its line ends as the bytes arrive, counts every line
// into the file's hour cells and reads the file's date label, all from the same chunks.
//
// Each chunk is indexed in one vector pass (line breaks, places where a crawler text may start);
// lines wholly inside it are then parsed in place, and a line that straddles chunks is parsed
// piece by piece, so memory never depends on the length of a line or of the file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "catalogue/crawler_matcher.h"
#include "scan/agent_field.h"
#include "scan/chunk_index.h"
#include "scan/count_table.h"
#include "scan/date_label.h"
#include "scan/line_ends.h"
#include "scan/record_counter.h"
#include "scan/record_parser.h"

namespace crawlmeter {

class LogScanner {
 public:
  // The counter carries the hour-run from the lines before. Bytes that do not start the file
  // need the file's line ends, known from its first LF. With a catalogue search, every counted
  // line is also told the catalogue's crawler.
  LogScanner(RecordCounter& counter, FileCounts& counts, LineEnds known = LineEnds::Undecided,
             CrawlerSearch* catalogue = nullptr)
      : counter_(counter),
        counts_(counts),
        lineEnds_(known),
        pieces_(catalogue),
        catalogue_(catalogue) {}

  // Lines that are not a file's own (another format's records, restated) have no date label to
  // look for.
  void withoutDateLabel() { seekDateLabel_ = false; }

  // Takes the next bytes of the file.
  void feed(std::string_view chunk);
  // The end of the file ends its last line.
  void finish();

  LineEnds lineEnds() const { return lineEnds_; }
  const LineTally& tally() const { return tally_; }
  Expected<std::string> dateLabel() const { return dateLabel_.label(); }

 private:
  // Counts the line chunk[from, end).
  void endLine(std::string_view chunk, std::size_t from, std::size_t end);
  // Records are counted a few lines after they are parsed, in order: their address lookups'
  // memory is fetched meanwhile, instead of one cache miss after another.
  void countQueued();
  int crawlerInRest(std::string_view chunk, std::size_t restBegin, std::size_t end);
  std::optional<std::string_view> agentInRest(std::string_view chunk, std::size_t restBegin,
                                              std::size_t end);
  // Tells record its catalogue crawler, or the agent to look it up by.
  void findCatalogueCrawler(std::string_view chunk, std::size_t restBegin, std::size_t end,
                            Record& record);

  static constexpr std::size_t kQueuedRecords = 16;

  RecordCounter& counter_;
  std::array<Record, kQueuedRecords> queued_;
  std::size_t queuedCount_ = 0;
  FileCounts& counts_;
  LineEnds lineEnds_;
  LineTally tally_;
  DateLabelScanner dateLabel_;
  bool seekDateLabel_ = true;
  PieceParser pieces_;
  bool inPieces_ = false;   // the current line began in an earlier chunk
  bool lastWasCr_ = false;  // the previous chunk ended with a CR
  ChunkIndex index_;
  std::size_t nextCandidate_ = 0;  // the first crawler candidate not behind the lines counted
  CrawlerSearch* catalogue_;
  std::vector<CrawlerMatch> lineMatches_;  // the catalogue's in a line without an agent field
};

}  // namespace crawlmeter
