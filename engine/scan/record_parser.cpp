// Line parsing for the counting: a byte search for the space and the ':', and one pass over the
// rest of the line for all six crawler texts at once.
#include "scan/record_parser.h"

#include <algorithm>
#include <cstring>

#include "codec/cp936.h"

namespace crawlmeter {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// What findCrawler's scan must stop for: the first byte of a crawler text, or a lead byte whose
// second byte must be stepped over so that it is never taken for the start of a text.
enum ByteClass : unsigned char { kPlain = 0, kCrawlerStart = 1, kLead = 2 };

constexpr std::array<unsigned char, 256> makeByteClasses() {
  std::array<unsigned char, 256> classes{};
  for (int b = 0; b < 256; ++b)
    classes[b] = isLeadByte(static_cast<unsigned char>(b)) ? kLead : kPlain;
  for (std::string_view text : kCrawlerTexts)
    classes[static_cast<unsigned char>(text[0])] = kCrawlerStart;
  return classes;
}
constexpr std::array<unsigned char, 256> kByteClasses = makeByteClasses();

// The hour text that follows a ':' at colon; nullopt when it is not one or two digits 0..24.
std::optional<HourText> hourAfter(std::string_view rest, std::size_t colon) {
  const std::string_view text = rest.substr(colon + 1, 2);
  if (text.empty() || !isDigit(text[0])) return std::nullopt;
  HourText hour;
  hour.digits[0] = text[0];
  hour.length = 1;
  if (text.size() == 2) {
    if (!isDigit(text[1])) return std::nullopt;
    hour.digits[1] = text[1];
    hour.length = 2;
  }
  if (hour.value() > kReportedHours) return std::nullopt;
  return hour;
}

// The first character boundary at or after from, walking from a boundary at 0.
std::size_t boundaryAtOrAfter(std::string_view bytes, std::size_t from) {
  std::size_t at = 0;
  while (at < from) at += characterLength(bytes, at);
  return at;
}

}  // namespace

bool startsCharacter(std::string_view bytes, std::size_t at) {
  return boundaryAtOrAfter(bytes, at) == at;
}

// The first byte is compared before the rest: most candidates start no text at all.
int crawlerStartingAt(std::string_view rest, std::size_t at, int better) {
  for (int i = 0; i < better; ++i) {
    const std::string_view text = kCrawlerTexts[i];
    if (rest[at] == text[0] && rest.substr(at, text.size()) == text) return i;
  }
  return better;
}

void AddressDigest::add(std::string_view bytes) {
  for (unsigned char b : bytes) {
    first = (first ^ b) * 0x100000001b3ULL;
    second = ((second ^ b) * 0xff51afd7ed558ccdULL) ^ (second >> 29);
  }
  length += bytes.size();
}

// Steps over two-byte characters so that their second bytes are never taken for the start of a
// text.
int findCrawler(std::string_view rest) {
  int found = kNoCrawler;
  std::size_t at = 0;
  while (at < rest.size() && found > 0) {
    const unsigned char byteClass = kByteClasses[static_cast<unsigned char>(rest[at])];
    if (byteClass == kCrawlerStart) {
      found = std::min(found, crawlerStartingAt(rest, at, found));
    } else if (byteClass == kLead) {
      at += characterLength(rest, at);
      continue;
    }
    ++at;
  }
  return found;
}

bool parseHead(std::string_view line, std::size_t* restStart, Record& record) {
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos) return false;
  const std::string_view rest = line.substr(space);
  const std::size_t colon = rest.find(':');
  if (colon == std::string_view::npos) return false;
  const std::optional<HourText> hour = hourAfter(rest, colon);
  if (!hour) return false;
  *restStart = space;
  record.address.text = line.substr(0, space);
  record.address.digest.reset();
  record.address.probe.reset();
  if (record.address.text.size() > kLongestKeptAddress) {
    record.address.digest.emplace().add(record.address.text);
    record.address.text = {};
  }
  record.hour = *hour;
  record.crawler = kNoCrawler;
  record.catalogued = kNotCatalogued;
  record.judgeAgent = false;
  return true;
}

std::optional<Record> parseLine(std::string_view line) {
  std::size_t restStart = 0;
  Record record;
  if (!parseHead(line, &restStart, record)) return std::nullopt;
  record.crawler = findCrawler(line.substr(restStart));
  return record;
}

PieceParser::PieceParser(CrawlerSearch* catalogue) : catalogue_(catalogue) {
  if (catalogue_ != nullptr) {
    windowBytes_ = std::max(windowBytes_, catalogue_->matcher().longestText());
  }
}

void PieceParser::reset() {
  std::vector<CrawlerMatch> matches = std::move(catalogueMatches_);
  *this = PieceParser(catalogue_);
  catalogueMatches_ = std::move(matches);  // keeps its memory for the next long line
}

void PieceParser::feed(std::string_view piece) {
  if (phase_ == Phase::Address) feedAddress(piece);
  if (piece.empty()) return;
  searchCrawlers(piece);
  if (phase_ == Phase::SeekColon) feedSeekColon(piece);
  if (phase_ == Phase::Hour) feedHour(piece);
}

void PieceParser::feedAddress(std::string_view& piece) {
  const std::size_t space = piece.find(' ');
  const std::string_view text = piece.substr(0, space);
  if (addressDigest_) {
    addressDigest_->add(text);
  } else if (address_.size() + text.size() > kLongestKeptAddress) {
    addressDigest_.emplace().add(address_);
    addressDigest_->add(text);
    address_.clear();
  } else {
    address_.append(text);
  }
  piece = space == std::string_view::npos ? std::string_view() : piece.substr(space);
  if (!piece.empty()) phase_ = Phase::SeekColon;
}

void PieceParser::feedSeekColon(std::string_view& piece) {
  const std::size_t colon = piece.find(':');
  if (colon == std::string_view::npos) {
    piece = {};
    return;
  }
  piece.remove_prefix(colon + 1);
  phase_ = Phase::Hour;
}

void PieceParser::feedHour(std::string_view& piece) {
  while (!piece.empty() && phase_ == Phase::Hour) {
    const char c = piece.front();
    piece.remove_prefix(1);
    if (!isDigit(c)) {
      hourInvalid_ = true;
      phase_ = Phase::Rest;
      break;
    }
    hour_.digits[hour_.length++] = c;
    if (hour_.length == 2) phase_ = Phase::Rest;
  }
}

// Searches the rest so far for crawler texts, carrying the last bytes that could start a text
// split by the next piece. The window always begins at a character boundary.
void PieceParser::searchCrawlers(std::string_view piece) {
  if (catalogue_ != nullptr) agentField_.feed(piece);
  const bool catalogueDone = catalogue_ == nullptr || catalogueLine_ == 0;
  if (crawler_ == 0 && catalogueDone) return;
  crawlerWindow_.append(piece);
  crawler_ = std::min(crawler_, findCrawler(crawlerWindow_));
  if (!catalogueDone) {
    catalogue_->search(crawlerWindow_, catalogueMatches_);
    catalogueLine_ = std::min(
        catalogueLine_,
        firstMatches(crawlerWindow_, catalogueMatches_, catalogue_->matcher()).catalogueLine);
  }
  if (crawlerWindow_.size() > windowBytes_) {
    crawlerWindow_.erase(0,
                         boundaryAtOrAfter(crawlerWindow_, crawlerWindow_.size() - windowBytes_));
  }
}

std::optional<Record> PieceParser::finish() {
  const bool counted =
      (phase_ == Phase::Hour && hour_.length == 1) || (phase_ == Phase::Rest && !hourInvalid_);
  if (!counted || hour_.value() > kReportedHours) return std::nullopt;
  Record record;
  record.address.text = address_;
  record.address.digest = addressDigest_;
  record.hour = hour_;
  record.crawler = crawler_;
  if (catalogue_ == nullptr) return record;
  if (const std::optional<std::string_view> agent = agentField_.agent()) {
    record.catalogued = catalogue_->crawlerOfAgent(*agent);
  } else if (catalogueLine_ != kNoCatalogueLine) {
    record.catalogued = catalogue_->matcher().crawlerOf(catalogueLine_);
  }
  return record;
}

}  // namespace crawlmeter
