// The catalogue search on Hyperscan's literal matcher, in block mode: each chunk is searched on
// its own, and a line that straddles chunks is searched again whole by its parser.
#include "catalogue/crawler_matcher.h"

#include <hs/hs.h>

#include <algorithm>
#include <new>

#include "catalogue/classic_crawlers.h"

namespace crawlmeter {
namespace {

// The built-in catalogue has two holders for a text at most (Googlebot-Image and -Video).
constexpr std::size_t kMostHolders = 4;

}  // namespace

struct CrawlerMatcher::Database {
  hs_database_t* database = nullptr;
  ~Database() { hs_free_database(database); }
};

struct CrawlerSearch::Scratch {
  hs_scratch_t* scratch = nullptr;
  // Matches of holding texts, by their ends, until no match with an earlier end can come.
  std::vector<CrawlerMatch> pending;
  ~Scratch() { hs_free_scratch(scratch); }
};

CrawlerMatcher::CrawlerMatcher(const CrawlerCatalogue& catalogue)
    : database_(std::make_unique<Database>()), crawlerCount_(catalogue.crawlers().size()) {
  std::vector<std::string> all;
  for (const CatalogueLine& line : catalogue.lines()) {
    crawlerOfLine_.push_back(line.crawler);
    all.push_back(line.encodedText);
  }
  all.insert(all.end(), kCrawlerTexts.begin(), kCrawlerTexts.end());
  addHolders(all);
  std::vector<bool> held(all.size(), false);
  for (const std::vector<Holder>& holders : holdersOf_) {
    for (const Holder& holder : holders) held[holder.line] = true;
  }
  std::vector<const char*> texts;
  std::vector<std::size_t> lengths;
  std::vector<unsigned> ids;
  for (std::size_t id = 0; id < all.size(); ++id) {
    textLength_.push_back(static_cast<std::uint32_t>(all[id].size()));
    longestText_ = std::max(longestText_, all[id].size());
    if (held[id]) continue;
    texts.push_back(all[id].data());
    lengths.push_back(all[id].size());
    ids.push_back(static_cast<unsigned>(id));
  }
  const std::vector<unsigned> flags(texts.size(), 0);
  hs_compile_error_t* error = nullptr;
  // Texts are checked non-empty when a catalogue is read, so a failure here is a lack of memory.
  if (hs_compile_lit_multi(texts.data(), flags.data(), ids.data(), lengths.data(),
                           static_cast<unsigned>(texts.size()), HS_MODE_BLOCK, nullptr,
                           &database_->database, &error) != HS_SUCCESS) {
    hs_free_compile_error(error);
    throw std::bad_alloc();
  }
}

// A text is found through the shortest other text it holds, which then holds none itself (an
// identical text is not a shorter one: each of those is searched for itself). A short text that
// many others hold (a user's "bot") would make each of its matches a string of comparisons: past
// a few holders, the others are searched for themselves.
void CrawlerMatcher::addHolders(const std::vector<std::string>& texts) {
  holdersOf_.resize(texts.size());
  for (std::size_t id = 0; id < texts.size(); ++id) {
    const std::string& text = texts[id];
    std::size_t shortest = texts.size();
    for (std::size_t other = 0; other < texts.size(); ++other) {
      const std::string& inner = texts[other];
      if (inner.size() >= text.size() || text.find(inner) == std::string::npos) continue;
      if (shortest == texts.size() || inner.size() < texts[shortest].size()) shortest = other;
    }
    if (shortest == texts.size() || holdersOf_[shortest].size() == kMostHolders) continue;
    const std::size_t offset = text.find(texts[shortest]);
    holdersOf_[shortest].push_back(
        Holder{static_cast<std::uint32_t>(id), static_cast<std::uint32_t>(offset), text});
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

namespace {

struct SearchContext {
  std::string_view bytes;
  const std::vector<std::uint32_t>& textLength;
  const std::vector<std::vector<CrawlerMatcher::Holder>>& holdersOf;
  std::vector<CrawlerMatch>& matches;
  std::vector<CrawlerMatch>& pending;

  void flushPendingUpTo(std::uint64_t end) {
    std::size_t flushed = 0;
    while (flushed < pending.size() && pending[flushed].end <= end)
      matches.push_back(pending[flushed++]);
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(flushed));
  }

  // The holding texts around a match of the text they hold, kept in the order of their ends.
  void findHoldersAround(const CrawlerMatch& held) {
    for (const CrawlerMatcher::Holder& holder : holdersOf[held.line]) {
      if (held.start < holder.offset) continue;
      const std::size_t start = held.start - holder.offset;
      if (bytes.substr(start, holder.text.size()) != holder.text) continue;
      const CrawlerMatch match{static_cast<std::uint32_t>(start),
                               static_cast<std::uint32_t>(start + holder.text.size()), holder.line};
      auto at = std::upper_bound(
          pending.begin(), pending.end(), match,
          [](const CrawlerMatch& a, const CrawlerMatch& b) { return a.end < b.end; });
      pending.insert(at, match);
    }
  }
};

}  // namespace

void CrawlerSearch::search(std::string_view bytes, std::vector<CrawlerMatch>& matches) {
  matches.clear();
  scratch_->pending.clear();
  if (scratch_->scratch == nullptr || bytes.empty()) return;
  SearchContext context{bytes, matcher_->textLength_, matcher_->holdersOf_, matches,
                        scratch_->pending};
  auto onMatch = [](unsigned int id, unsigned long long, unsigned long long to, unsigned int,
                    void* user) -> int {
    // Literal matches give no start; the text's length does.
    auto& found = *static_cast<SearchContext*>(user);
    if (!found.pending.empty()) found.flushPendingUpTo(to);
    const std::uint32_t length = found.textLength[id];
    const CrawlerMatch match{static_cast<std::uint32_t>(to - length),
                             static_cast<std::uint32_t>(to), id};
    found.matches.push_back(match);
    if (!found.holdersOf[id].empty()) found.findHoldersAround(match);
    return 0;
  };
  hs_scan(matcher_->database_->database, bytes.data(), static_cast<unsigned>(bytes.size()), 0,
          scratch_->scratch, onMatch, &context);
  context.flushPendingUpTo(UINT64_MAX);
}

}  // namespace crawlmeter
