// The catalogue search: each chunk is searched on its own, and a line that straddles chunks is
// searched again whole by its parser.
#include "catalogue/crawler_matcher.h"

#include <algorithm>

#include "base/kinds.h"
#include "catalogue/agent_cache.h"
#include "catalogue/agent_rules.h"
#include "codec/cp936.h"
#include "files/process_setup.h"

namespace crawlmeter {
namespace {

// The built-in catalogue has two holders for a text at most (Googlebot-Image and -Video).
constexpr std::size_t kMostHolders = 4;

bool isAsciiLetter(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// Whether a text (code page 936) holds a two-byte character whose second byte is an ASCII letter.
bool hasLetterSecondByte(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (static_cast<unsigned char>(text[at]) < 0x81 || at + 1 == text.size()) continue;
    if (isAsciiLetter(static_cast<unsigned char>(text[++at]))) return true;
  }
  return false;
}

// Whether the bytes an any-case text matched (as long as it) hold its two-byte characters exactly.
bool sameTwoByteCharacters(std::string_view text, std::string_view matched) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (static_cast<unsigned char>(text[at]) < 0x81 || at + 1 == text.size()) continue;
    if (text[at] != matched[at] || text[at + 1] != matched[at + 1]) return false;
    ++at;
  }
  return true;
}

}  // namespace

struct CrawlerSearch::Scratch {
  std::unique_ptr<LiteralSearch::Scratch, void (*)(LiteralSearch::Scratch*)> search;
  // Matches of holding texts, by their ends, until no match with an earlier end can come.
  std::vector<CrawlerMatch> pending;
  std::vector<CrawlerMatch> agentMatches;
  AgentCache agents;
};

CrawlerMatcher::CrawlerMatcher(const CrawlerCatalogue& catalogue,
                               std::vector<LiteralSearch::Text>* searched)
    : crawlerCount_(catalogue.crawlers().size()), firstRuleCrawler_(catalogue.firstRuleCrawler()) {
  std::vector<std::string> all;
  std::vector<bool> anyCase;
  for (const CatalogueLine& line : catalogue.lines()) {
    crawlerOfLine_.push_back(line.crawler);
    all.push_back(line.encodedText);
    anyCase.push_back(line.anyCase);
  }
  all.insert(all.end(), kCrawlerTexts.begin(), kCrawlerTexts.end());
  anyCase.resize(all.size(), false);  // the six classic texts are exact
  addHolders(all, anyCase);
  std::vector<bool> held(all.size(), false);
  for (const std::vector<Holder>& holders : holdersOf_) {
    for (const Holder& holder : holders) held[holder.line] = true;
  }
  for (std::size_t id = 0; id < all.size(); ++id) {
    textLength_.push_back(static_cast<std::uint32_t>(all[id].size()));
    longestText_ = std::max(longestText_, all[id].size());
    const bool checked = anyCase[id] && hasLetterSecondByte(all[id]);
    secondBytesChecked_.push_back(checked ? all[id] : std::string());
    if (!held[id]) {
      searched->push_back(
          LiteralSearch::Text{all[id], static_cast<std::uint32_t>(id), anyCase[id]});
    }
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
  releaseFreedMemory();
  return std::shared_ptr<const CrawlerMatcher>(std::move(matcher));
}

// A text is found through the shortest other text it holds, which then holds none itself (an
// identical text is not a shorter one: each of those is searched for itself); a text in any
// letter case holds none, since a match of it need not hold the other's bytes. A short text that
// many others hold (a user's "bot") would make each of its matches a string of comparisons: past
// a few holders, the others are searched for themselves.
void CrawlerMatcher::addHolders(const std::vector<std::string>& texts,
                                const std::vector<bool>& anyCase) {
  holdersOf_.resize(texts.size());
  for (std::size_t id = 0; id < texts.size(); ++id) {
    if (anyCase[id]) continue;
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
  auto scratch = std::make_unique<Scratch>(Scratch{std::move(*search), {}, {}, {}});
  return CrawlerSearch(std::move(matcher), std::move(scratch));
}

CrawlerSearch::~CrawlerSearch() = default;
CrawlerSearch::CrawlerSearch(CrawlerSearch&&) noexcept = default;
CrawlerSearch& CrawlerSearch::operator=(CrawlerSearch&&) noexcept = default;

namespace {

struct SearchContext {
  std::string_view bytes;
  const std::vector<std::uint32_t>& textLength;
  const std::vector<std::string>& secondBytesChecked;
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

CrawlerSearch::AgentKey CrawlerSearch::agentKey(std::string_view agent) const {
  if (agent.size() > AgentCache::kLongestAgent) return AgentKey{agent, 0};
  const std::uint64_t hash = AgentCache::hashOf(agent);
  scratch_->agents.prefetch(hash);
  return AgentKey{agent, hash};
}

std::size_t CrawlerSearch::crawlerOfAgent(const AgentKey& key) {
  if (key.agent.size() > AgentCache::kLongestAgent) return judgeAgent(key.agent);
  if (const std::optional<std::uint32_t> known = scratch_->agents.find(key.agent, key.hash)) {
    return *known == UINT32_MAX ? kNotCatalogued : *known;
  }
  const std::size_t crawler = judgeAgent(key.agent);
  scratch_->agents.insert(
      key.agent, key.hash,
      crawler == kNotCatalogued ? UINT32_MAX : static_cast<std::uint32_t>(crawler));
  return crawler;
}

std::size_t CrawlerSearch::judgeAgent(std::string_view agent) {
  std::vector<CrawlerMatch>& matches = scratch_->agentMatches;
  search(agent, matches);
  const std::uint32_t line = firstMatches(agent, matches, *matcher_).catalogueLine;
  if (line != kNoCatalogueLine) return matcher_->crawlerOf(line);
  const std::optional<std::size_t> firstRule = matcher_->firstRuleCrawler();
  if (!firstRule) return kNotCatalogued;
  const std::optional<AgentRule> rule = agentRuleOf(agent);
  return rule ? *firstRule + static_cast<std::size_t>(*rule) : kNotCatalogued;
}

void CrawlerSearch::search(std::string_view bytes, std::vector<CrawlerMatch>& matches) {
  matches.clear();
  scratch_->pending.clear();
  if (bytes.empty()) return;
  SearchContext context{
      bytes,   matcher_->textLength_, matcher_->secondBytesChecked_, matcher_->holdersOf_,
      matches, scratch_->pending};
  auto onMatch = [](std::uint32_t id, std::uint64_t to, void* user) {
    // The search gives the ends; the text's length gives the start.
    auto& found = *static_cast<SearchContext*>(user);
    if (!found.pending.empty()) found.flushPendingUpTo(to);
    const std::uint32_t length = found.textLength[id];
    const CrawlerMatch match{static_cast<std::uint32_t>(to - length),
                             static_cast<std::uint32_t>(to), id};
    const std::string& checked = found.secondBytesChecked[id];
    if (!checked.empty() &&
        !sameTwoByteCharacters(checked, found.bytes.substr(match.start, length))) {
      return;
    }
    found.matches.push_back(match);
    if (!found.holdersOf[id].empty()) found.findHoldersAround(match);
  };
  matcher_->search_->scan(bytes, *scratch_->search, onMatch, &context);
  context.flushPendingUpTo(UINT64_MAX);
}

// One walk over the characters for all matches, in the order of their starts, so that a long
// line full of matches still costs time in proportion to its length.
FirstMatches firstMatches(std::string_view bytes, std::span<CrawlerMatch> matches,
                          const CrawlerMatcher& matcher) {
  std::sort(matches.begin(), matches.end(),
            [](const CrawlerMatch& a, const CrawlerMatch& b) { return a.start < b.start; });
  FirstMatches first;
  std::size_t character = 0;
  for (const CrawlerMatch& match : matches) {
    while (character < match.start) character += characterLength(bytes, character);
    if (character == match.start) first.take(matcher, match.line);
  }
  return first;
}

void FirstMatches::take(const CrawlerMatcher& matcher, std::uint32_t line) {
  if (matcher.isCatalogueLine(line)) {
    catalogueLine = std::min(catalogueLine, line);
  } else {
    crawler = std::min(crawler, static_cast<int>(matcher.classicTextOf(line)));
  }
}

}  // namespace crawlmeter
