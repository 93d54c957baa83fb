// The eight statistics kinds a run counts, in one table from which every list of kinds in the
// program is derived: their names, report headings, crawler texts and the order they are offered.
//
// Adding a kind is its name in StatCategory, its row in kKindTable (in the order the window and
// the command offer kinds) and, unless it is a crawler kind, its counting rule in
// scan/record_counter.cpp: a crawler kind is counted from its text alone.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace crawlmeter {

enum class StatCategory { Pv, Ip, Sogou, Bing, Baidu, Youdao, Yahoo, Google };

// For the kinds that are no crawler.
inline constexpr int kNoSearchRank = -1;

struct KindRow {
  StatCategory kind;
  std::string_view name;          // --kind's word and the machine-readable results' name
  std::string_view progressLine;  // the report's first line
  std::string_view crawlerText;   // what a line must hold to count for a crawler kind
  // A line holding several crawler texts counts for the one of lowest rank.
  int searchRank;
};

inline constexpr std::array<KindRow, 8> kKindTable = {{
    {StatCategory::Pv, "pv", "正在统计PV次数...", {}, kNoSearchRank},
    {StatCategory::Ip, "ip", "正在统计IP次数...", {}, kNoSearchRank},
    {StatCategory::Sogou, "sogou", "正在统计搜狗蜘蛛次数...", "Sogou web spider", 3},
    {StatCategory::Bing, "bing", "正在统计Bing蜘蛛次数...", "msnbot", 5},
    {StatCategory::Baidu, "baidu", "正在统计百度蜘蛛次数...", "Baiduspider", 0},
    {StatCategory::Youdao, "youdao", "正在统计有道蜘蛛次数...", "YoudaoBot", 4},
    {StatCategory::Yahoo, "yahoo", "正在统计雅虎蜘蛛次数...", "Yahoo! Slurp", 2},
    {StatCategory::Google, "google", "正在统计谷歌蜘蛛次数...", "Googlebot", 1},
}};

inline constexpr std::size_t kStatCategoryCount = kKindTable.size();

constexpr bool isCrawlerKind(const KindRow& row) { return row.searchRank != kNoSearchRank; }

constexpr std::size_t kindIndex(StatCategory kind) { return static_cast<std::size_t>(kind); }
constexpr const KindRow& kindRow(StatCategory kind) { return kKindTable[kindIndex(kind)]; }

namespace kinds_detail {

constexpr bool rowsFollowTheEnum() {
  for (std::size_t i = 0; i < kKindTable.size(); ++i) {
    if (kindIndex(kKindTable[i].kind) != i) return false;
  }
  return true;
}

constexpr std::size_t crawlerKindCount() {
  return static_cast<std::size_t>(
      std::count_if(kKindTable.begin(), kKindTable.end(), isCrawlerKind));
}

// The crawler kinds by rank; true when the ranks are exactly 0..count-1.
template <std::size_t kCount>
constexpr bool crawlersByRank(std::array<StatCategory, kCount>* byRank) {
  std::array<bool, kCount> taken{};
  for (const KindRow& row : kKindTable) {
    if (!isCrawlerKind(row)) continue;
    const auto rank = static_cast<std::size_t>(row.searchRank);
    if (row.searchRank < 0 || rank >= kCount || taken[rank] || row.crawlerText.empty()) {
      return false;
    }
    taken[rank] = true;
    (*byRank)[rank] = row.kind;
  }
  return true;
}

template <std::size_t kCount>
constexpr std::array<StatCategory, kCount> crawlerKindsByRank() {
  std::array<StatCategory, kCount> byRank{};
  crawlersByRank(&byRank);
  return byRank;
}

}  // namespace kinds_detail

static_assert(kinds_detail::rowsFollowTheEnum(), "kKindTable's rows follow StatCategory's order");

inline constexpr std::size_t kCrawlerKindCount = kinds_detail::crawlerKindCount();

static_assert(
    [] {
      std::array<StatCategory, kCrawlerKindCount> byRank{};
      return kinds_detail::crawlersByRank(&byRank);
    }(),
    "the crawler kinds' search ranks are 0, 1, 2... once each, and each has a text");

// The crawler kinds in the order a line is tested for their texts: the first one found wins.
inline constexpr std::array<StatCategory, kCrawlerKindCount> kCrawlerKinds =
    kinds_detail::crawlerKindsByRank<kCrawlerKindCount>();

// Their texts, in the same order.
inline constexpr std::array<std::string_view, kCrawlerKindCount> kCrawlerTexts = [] {
  std::array<std::string_view, kCrawlerKindCount> texts{};
  for (std::size_t rank = 0; rank < kCrawlerKindCount; ++rank) {
    texts[rank] = kindRow(kCrawlerKinds[rank]).crawlerText;
  }
  return texts;
}();

}  // namespace crawlmeter
