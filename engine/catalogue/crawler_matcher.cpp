// The catalogue search on Hyperscan's literal matcher, in block mode: each chunk is searched on
// its own, and a line that straddles chunks is searched again whole by its parser.
#include "catalogue/crawler_matcher.h"

#include <hs/hs.h>

#include <algorithm>
#include <new>

namespace crawlmeter {

struct CrawlerMatcher::Database {
  hs_database_t* database = nullptr;
  ~Database() { hs_free_database(database); }
};

struct CrawlerSearch::Scratch {
  hs_scratch_t* scratch = nullptr;
  ~Scratch() { hs_free_scratch(scratch); }
};

CrawlerMatcher::CrawlerMatcher(const CrawlerCatalogue& catalogue)
    : database_(std::make_unique<Database>()), crawlerCount_(catalogue.crawlers().size()) {
  const std::vector<CatalogueLine>& lines = catalogue.lines();
  std::vector<const char*> texts;
  std::vector<std::size_t> lengths;
  std::vector<unsigned> flags(lines.size(), 0), ids;
  for (const CatalogueLine& line : lines) {
    texts.push_back(line.encodedText.data());
    lengths.push_back(line.encodedText.size());
    ids.push_back(static_cast<unsigned>(ids.size()));
    crawlerOfLine_.push_back(line.crawler);
    textLength_.push_back(static_cast<std::uint32_t>(line.encodedText.size()));
    longestText_ = std::max(longestText_, line.encodedText.size());
  }
  if (lines.empty()) return;
  hs_compile_error_t* error = nullptr;
  // Texts are checked non-empty when a catalogue is read, so a failure here is a lack of memory.
  if (hs_compile_lit_multi(texts.data(), flags.data(), ids.data(), lengths.data(),
                           static_cast<unsigned>(lines.size()), HS_MODE_BLOCK, nullptr,
                           &database_->database, &error) != HS_SUCCESS) {
    hs_free_compile_error(error);
    throw std::bad_alloc();
  }
}

CrawlerMatcher::~CrawlerMatcher() = default;

CrawlerSearch::CrawlerSearch(std::shared_ptr<const CrawlerMatcher> matcher)
    : matcher_(std::move(matcher)), scratch_(std::make_unique<Scratch>()) {
  if (matcher_->database_->database == nullptr) return;
  if (hs_alloc_scratch(matcher_->database_->database, &scratch_->scratch) != HS_SUCCESS) {
    throw std::bad_alloc();
  }
}

CrawlerSearch::~CrawlerSearch() = default;

void CrawlerSearch::search(std::string_view bytes, std::vector<CrawlerMatch>& matches) {
  matches.clear();
  if (scratch_->scratch == nullptr || bytes.empty()) return;
  struct Context {
    const std::vector<std::uint32_t>& textLength;
    std::vector<CrawlerMatch>& matches;
  } context{matcher_->textLength_, matches};
  auto onMatch = [](unsigned int id, unsigned long long from, unsigned long long to, unsigned int,
                    void* user) -> int {
    auto& found = *static_cast<Context*>(user);
    (void)from;  // literal matches give no start; the text's length does
    const std::uint32_t length = found.textLength[id];
    found.matches.push_back(
        CrawlerMatch{static_cast<std::uint32_t>(to - length), static_cast<std::uint32_t>(to), id});
    return 0;
  };
  hs_scan(matcher_->database_->database, bytes.data(), static_cast<unsigned>(bytes.size()), 0,
          scratch_->scratch, onMatch, &context);
}

}  // namespace crawlmeter
