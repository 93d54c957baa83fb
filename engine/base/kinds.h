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

static_assert(
    [] {
      for (std::size_t i = 0; i < kKindTable.size(); ++i) {
        if (kindIndex(kKindTable[i].kind) != i) return false;
      }
      return true;
    }(),
    "kKindTable's rows follow StatCategory's order");

inline constexpr std::size_t kCrawlerKindCount =
    static_cast<std::size_t>(std::count_if(kKindTable.begin(), kKindTable.end(), isCrawlerKind));

namespace kinds_detail {

// The row of the one crawler kind with search rank rank; kKindTable.size() when none or several.
constexpr std::size_t rowOfRank(std::size_t rank) {
  std::size_t found = kKindTable.size();
  for (std::size_t i = 0; i < kKindTable.size(); ++i) {
    if (!isCrawlerKind(kKindTable[i]) || kKindTable[i].searchRank != static_cast<int>(rank)) {
      continue;
    }
    if (found != kKindTable.size() || kKindTable[i].crawlerText.empty()) return kKindTable.size();
    found = i;
  }
  return found;
}

}  // namespace kinds_detail

static_assert(
    [] {
      for (std::size_t rank = 0; rank < kCrawlerKindCount; ++rank) {
        if (kinds_detail::rowOfRank(rank) == kKindTable.size()) return false;
      }
      return true;
    }(),
    "the crawler kinds' search ranks are 0, 1, 2... once each, and each has a text");

// The crawler kinds in the order a line is tested for their texts: the first one found wins.
inline constexpr std::array<StatCategory, kCrawlerKindCount> kCrawlerKinds = [] {
  std::array<StatCategory, kCrawlerKindCount> kinds{};
  for (std::size_t rank = 0; rank < kCrawlerKindCount; ++rank) {
    kinds[rank] = kKindTable[kinds_detail::rowOfRank(rank)].kind;
  }
  return kinds;
}();

// Their texts, in the same order.
inline constexpr std::array<std::string_view, kCrawlerKindCount> kCrawlerTexts = [] {
  std::array<std::string_view, kCrawlerKindCount> texts{};
  for (std::size_t rank = 0; rank < kCrawlerKindCount; ++rank) {
    texts[rank] = kindRow(kCrawlerKinds[rank]).crawlerText;
  }
  return texts;
}();

}  // namespace crawlmeter
