// Splits one log line into what the counting needs: the client address (the text before the first
// space), the hour text (the one or two digits after the first ':' behind that space) and the first
// crawler, in search order, whose text occurs in the rest of the line.
//
// A line without a space, without a ':' after it, or whose hour text is not one or two ASCII
// digits from 0 to 24 is skipped. Lines arrive whole (parseLine) or, when they straddle a read
// chunk, in pieces (PieceParser); both give the same answer for the same bytes.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/kinds.h"
#include "catalogue/crawler_matcher.h"
#include "scan/address_set.h"
#include "scan/agent_field.h"
#include "scan/count_table.h"

namespace crawlmeter {

inline constexpr int kNoCrawler = static_cast<int>(kCrawlerTexts.size());
inline constexpr std::size_t kLongestCrawlerText =
    std::max_element(kCrawlerTexts.begin(), kCrawlerTexts.end(),
                     [](auto a, auto b) { return a.size() < b.size(); }) -> size();

// The hour text exactly as written ("08" and "8" are different texts of the same hour).
struct HourText {
  std::uint8_t length = 0;  // 0 only before the first counted line
  std::array<char, 2> digits{};

  int value() const {
    return length == 1 ? digits[0] - '0' : (digits[0] - '0') * 10 + digits[1] - '0';
  }
  bool operator==(const HourText&) const = default;
};

// Client addresses longer than this are compared by a 128-bit digest instead of kept whole, so
// that a line of gigabytes without a space cannot take memory with it.
inline constexpr std::size_t kLongestKeptAddress = 4096;

struct AddressDigest {
  std::uint64_t length = 0;
  std::uint64_t first = 0xcbf29ce484222325ULL;
  std::uint64_t second = 0x9e3779b97f4a7c15ULL;

  void add(std::string_view bytes);
  bool operator==(const AddressDigest&) const = default;
};

// The client address of a record: its text, or its digest when it is longer than
// kLongestKeptAddress.
struct Address {
  std::string_view text;
  std::optional<AddressDigest> digest;
  std::optional<AddressSet::Probe> probe;  // the text's probe, once it has been prefetched
};

struct Record {
  Address address;
  HourText hour;
  int crawler = kNoCrawler;                 // index into kCrawlerTexts, or kNoCrawler
  std::size_t catalogued = kNotCatalogued;  // the catalogue's crawler, when one is searched
  // An agent whose crawler is still to be looked up, when judgeAgent.
  CrawlerSearch::AgentKey agent;
  bool judgeAgent = false;
};

// Parses a complete line (without its line end); nullopt when the line is skipped.
std::optional<Record> parseLine(std::string_view line);

// parseLine without the crawler search, into record (left with no crawler); false when the line is
// skipped. *restStart tells where the rest of the line (from the first space) begins. Filling the
// caller's record in place, rather than returning one, spares a copy through the stack whose
// narrow stores and wide loads stall the processor on every line.
bool parseHead(std::string_view line, std::size_t* restStart, Record& record);

// The first crawler, in search order before better, whose text starts at rest[at]; else better.
int crawlerStartingAt(std::string_view rest, std::size_t at, int better);

// Whether bytes[at] starts a character, walking from a character start at 0.
bool startsCharacter(std::string_view bytes, std::size_t at);

// The index of the first crawler text, in search order, that occurs in rest starting a character;
// kNoCrawler when none does. rest must begin at a character boundary.
int findCrawler(std::string_view rest);

// Parses a line that arrives in several pieces. Memory stays bounded whatever the line's length.
class PieceParser {
 public:
  // Searches the catalogue too when given one.
  explicit PieceParser(CrawlerSearch* catalogue = nullptr);
  void feed(std::string_view piece);
  // Ends the line; the record's address refers to this parser until the next feed or reset.
  std::optional<Record> finish();
  void reset();

 private:
  enum class Phase { Address, SeekColon, Hour, Rest };
  void feedAddress(std::string_view& piece);
  void feedSeekColon(std::string_view& piece);
  void feedHour(std::string_view& piece);
  void searchCrawlers(std::string_view piece);

  Phase phase_ = Phase::Address;
  std::string address_;
  std::optional<AddressDigest> addressDigest_;
  HourText hour_;
  bool hourInvalid_ = false;
  int crawler_ = kNoCrawler;
  CrawlerSearch* catalogue_ = nullptr;
  std::uint32_t catalogueLine_ = kNoCatalogueLine;
  std::vector<CrawlerMatch> catalogueMatches_;
  std::size_t windowBytes_ = kLongestCrawlerText - 1;
  std::string crawlerWindow_;  // the last bytes of the rest, from a character boundary
  AgentFieldReader agentField_;
};

}  // namespace crawlmeter
