// Finds every catalogue text, and the six classic crawler texts, in a stretch of log bytes in one
// pass, whatever the number of texts: a multi-pattern literal search (LiteralSearch) compiled once
// per run and shared by its threads, each of which searches with its own CrawlerSearch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/kinds.h"
#include "catalogue/crawler_catalogue.h"
#include "catalogue/literal_search.h"

namespace crawlmeter {

// One occurrence of a text: bytes [start, end) of what was searched. The texts are numbered as
// the catalogue's lines (the lower, the higher the priority), then the classic ones in their order.
struct CrawlerMatch {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint32_t line = 0;
};

// A catalogue line's priority, or this when a log line holds no catalogue text.
inline constexpr std::uint32_t kNoCatalogueLine = UINT32_MAX;
// A line the catalogue names no crawler for.
inline constexpr std::size_t kNotCatalogued = SIZE_MAX;

class CrawlerMatcher {
 public:
  // Compiles the catalogue's texts and the classic ones; fails with kResources when the memory
  // for it cannot be had.
  static Expected<std::shared_ptr<const CrawlerMatcher>> compile(const CrawlerCatalogue& catalogue);
  ~CrawlerMatcher();
  CrawlerMatcher(const CrawlerMatcher&) = delete;
  CrawlerMatcher& operator=(const CrawlerMatcher&) = delete;

  std::size_t crawlerCount() const { return crawlerCount_; }
  // Whether a match's line is one of the catalogue's, and then the catalogue crawler it names;
  // else the index of its classic text.
  bool isCatalogueLine(std::uint32_t line) const { return line < crawlerOfLine_.size(); }
  std::size_t crawlerOf(std::uint32_t line) const { return crawlerOfLine_[line]; }
  std::size_t classicTextOf(std::uint32_t line) const { return line - crawlerOfLine_.size(); }
  // The length of the longest text, in bytes.
  std::size_t longestText() const { return longestText_; }
  // The first agent rule's crawler (the others follow it), when the catalogue has the rules.
  std::optional<std::size_t> firstRuleCrawler() const { return firstRuleCrawler_; }

  // A text that holds another catalogue text is not searched for itself: it is looked for around
  // each match of the shortest text it holds (Hyperscan's literal matcher measured a quarter
  // faster without such texts). A text in any letter case holds none: it is searched for itself.
  struct Holder {
    std::uint32_t line;    // the number of the holding text
    std::uint32_t offset;  // where the held text starts in it
    std::string text;
  };

 private:
  friend class CrawlerSearch;
  // All but the search, whose texts it gives in *searched.
  CrawlerMatcher(const CrawlerCatalogue& catalogue, std::vector<LiteralSearch::Text>* searched);
  void addHolders(const std::vector<std::string>& texts, const std::vector<bool>& anyCase);

  std::unique_ptr<LiteralSearch> search_;
  std::vector<std::vector<Holder>> holdersOf_;  // by the number of the held text
  std::vector<std::size_t> crawlerOfLine_;
  std::vector<std::uint32_t> textLength_;
  // By the number of a text: an any-case text's bytes when it holds a two-byte character whose
  // second byte is an ASCII letter, which the search folds and a match must not; else empty.
  std::vector<std::string> secondBytesChecked_;
  std::size_t crawlerCount_ = 0;
  std::size_t longestText_ = 0;
  std::optional<std::size_t> firstRuleCrawler_;
};

// One thread's search; not shared between threads.
class CrawlerSearch {
 public:
  // Fails with kResources when the memory a search needs cannot be had.
  static Expected<CrawlerSearch> start(std::shared_ptr<const CrawlerMatcher> matcher);
  ~CrawlerSearch();
  CrawlerSearch(CrawlerSearch&&) noexcept;
  CrawlerSearch& operator=(CrawlerSearch&&) noexcept;

  // Every match in bytes (less than 4 GiB), in the order of their ends, in place of matches'
  // contents.
  void search(std::string_view bytes, std::vector<CrawlerMatch>& matches);

  // The crawler a user agent names: the one of its first catalogue line, else the first agent
  // rule's that holds, else kNotCatalogued. Each distinct agent is searched once in a while.
  std::size_t crawlerOfAgent(std::string_view agent) { return crawlerOfAgent(agentKey(agent)); }
  // The same in two steps, so that the memory the second touches is fetched meanwhile.
  struct AgentKey {
    std::string_view agent;
    std::uint64_t hash = 0;
  };
  AgentKey agentKey(std::string_view agent) const;
  std::size_t crawlerOfAgent(const AgentKey& key);

  const CrawlerMatcher& matcher() const { return *matcher_; }

 private:
  struct Scratch;
  CrawlerSearch(std::shared_ptr<const CrawlerMatcher> matcher, std::unique_ptr<Scratch> scratch);
  std::size_t judgeAgent(std::string_view agent);
  std::shared_ptr<const CrawlerMatcher> matcher_;
  std::unique_ptr<Scratch> scratch_;
};

// The catalogue line of highest priority, and the first classic text (kCrawlerTexts' index, or
// their count when none), among matches of a catalogue search.
struct FirstMatches {
  std::uint32_t catalogueLine = kNoCatalogueLine;
  int crawler = static_cast<int>(kCrawlerTexts.size());

  void take(const CrawlerMatcher& matcher, std::uint32_t line);
};

// The first matches among those that start a character of bytes (which begins at a character);
// reorders matches.
FirstMatches firstMatches(std::string_view bytes, std::span<CrawlerMatch> matches,
                          const CrawlerMatcher& matcher);

}  // namespace crawlmeter
