// The catalogue search: each chunk is searched on its own, and a line that straddles chunks is
// searched again whole by its parser.
#include "catalogue/crawler_matcher.h"

#include <algorithm>

#include "base/kinds.h"

namespace crawlmeter {
namespace {

// The built-in catalogue has two holders for a text at most (Googlebot-Image and -Video).
constexpr std::size_t kMostHolders = 4;

}  // namespace

struct CrawlerSearch::Scratch {
  std::unique_ptr<LiteralSearch::Scratch, void (*)(LiteralSearch::Scratch*)> search;
  // Matches of holding texts, by their ends, until no match with an earlier end can come.
  std::vector<CrawlerMatch> pending;
};

CrawlerMatcher::CrawlerMatcher(const CrawlerCatalogue& catalogue,
                               std::vector<LiteralSearch::Text>* searched)
    : crawlerCount_(catalogue.crawlers().size()) {
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
  for (std::size_t id = 0; id < all.size(); ++id) {
    textLength_.push_back(static_cast<std::uint32_t>(all[id].size()));
    longestText_ = std::max(longestText_, all[id].size());
    if (!held[id])
      searched->push_back(LiteralSearch::Text{all[id], static_cast<std::uint32_t>(id)});
  }
}

Expected<std::shared_ptr<const CrawlerMatcher>> CrawlerMatcher::compile(
    const CrawlerCatalogue& catalogue) {
  std::vector<LiteralSearch::Text> searched;
  std::shared_ptr<CrawlerMatcher> matcher(new CrawlerMatcher(catalogue, &searched));
  // Texts are checked non-empty when a catalogue is read.
  Expected<std::unique_ptr<LiteralSearch>> search = LiteralSearch::compile(searched);
  if (search.failed()) return search.error();
  matcher->search_ = std::move(*search);
  return std::shared_ptr<const CrawlerMatcher>(std::move(matcher));
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

CrawlerSearch::CrawlerSearch(std::shared_ptr<const CrawlerMatcher> matcher,
                             std::unique_ptr<Scratch> scratch)
    : matcher_(std::move(matcher)), scratch_(std::move(scratch)) {}

Expected<CrawlerSearch> CrawlerSearch::start(std::shared_ptr<const CrawlerMatcher> matcher) {
  Expected<LiteralSearch::ScratchPointer> search = matcher->search_->newScratch();
  if (search.failed()) return search.error();
  auto scratch = std::make_unique<Scratch>(Scratch{std::move(*search), {}});
  return CrawlerSearch(std::move(matcher), std::move(scratch));
}

CrawlerSearch::~CrawlerSearch() = default;
CrawlerSearch::CrawlerSearch(CrawlerSearch&&) noexcept = default;
CrawlerSearch& CrawlerSearch::operator=(CrawlerSearch&&) noexcept = default;

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
  if (bytes.empty()) return;
  SearchContext context{bytes, matcher_->textLength_, matcher_->holdersOf_, matches,
                        scratch_->pending};
  auto onMatch = [](std::uint32_t id, std::uint64_t to, void* user) {
    // The search gives the ends; the text's length gives the start.
    auto& found = *static_cast<SearchContext*>(user);
    if (!found.pending.empty()) found.flushPendingUpTo(to);
    const std::uint32_t length = found.textLength[id];
    const CrawlerMatch match{static_cast<std::uint32_t>(to - length),
                             static_cast<std::uint32_t>(to), id};
    found.matches.push_back(match);
    if (!found.holdersOf[id].empty()) found.findHoldersAround(match);
  };
  matcher_->search_->scan(bytes, *scratch_->search, onMatch, &context);
  context.flushPendingUpTo(UINT64_MAX);
}

}  // namespace crawlmeter
