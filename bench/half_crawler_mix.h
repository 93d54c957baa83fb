// The agents of a benchmark day whose lines are half crawlers, tools and scanners and half
// browsers, from the test data's lists of real user agents; for bench/generate_log.cpp.
#pragma once

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace crawlmeter_bench {

// Where a line's user agent comes from.
enum class Source { kBrowser, kCrawler, kCrawlerOtherCase, kOtherListed, kScanner, kNone };

struct Pick {
  const char* agent;
  Source source;
};

// The LABEL<TAB>USER_AGENT lines of a list, comments and blank lines left out.
inline std::vector<std::pair<std::string, std::string>> labelledAgents(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> agents;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  char line[4096];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t tab = text.find('\t');
    if (text.empty() || text[0] == '#' || tab == std::string::npos) continue;
    agents.emplace_back(text.substr(0, tab), text.substr(tab + 1));
  }
  std::fclose(file);
  return agents;
}

// The half-crawler day: what share of its lines each source of agents has.
struct SourceShare {
  Source source;
  double share;
  const char* what;
};
constexpr std::array<SourceShare, 6> kHalfMix = {{
    {Source::kBrowser, 0.50, "browsers (browser list)"},
    {Source::kCrawler, 0.43, "crawlers as they write themselves (crawler list, named)"},
    {Source::kCrawlerOtherCase, 0.03, "the same in lower or upper case"},
    {Source::kOtherListed, 0.015, "tools and others of the crawler list (named -)"},
    {Source::kScanner, 0.01, "scanners and one-word agents"},
    {Source::kNone, 0.015, "no agent (-)"},
}};

// The crawlers most sites see most, and how many times as often as one of the long tail.
constexpr std::array<std::pair<const char*, double>, 22> kBigCrawlers = {{
    {"Googlebot", 400},
    {"Baiduspider", 300},
    {"bingbot", 250},
    {"YandexBot", 100},
    {"Sogou", 80},
    {"360Spider", 60},
    {"YisouSpider", 60},
    {"PetalBot", 80},
    {"Applebot", 60},
    {"AhrefsBot", 120},
    {"SemrushBot", 100},
    {"DotBot", 40},
    {"MJ12bot", 40},
    {"GPTBot", 80},
    {"ClaudeBot", 60},
    {"Meta-ExternalAgent", 80},
    {"Bytespider", 80},
    {"Amazonbot", 60},
    {"facebookexternalhit", 60},
    {"DuckDuckBot", 20},
    {"Googlebot-Image", 40},
    {"DataForSeoBot", 30},
}};

const std::array<const char*, 8> kScanners = {
    "Mozilla/5.0 zgrab/0.x",
    "masscan/1.3 (https://github.com/robertdavidgraham/masscan)",
    "Mozilla/5.0 (compatible; Nmap Scripting Engine; https://nmap.org/book/nse.html)",
    "sqlmap/1.7.2#stable (https://sqlmap.org)",
    "Mozilla/5.00 (Nikto/2.1.6) (Evasions:None) (Test:Port Check)",
    "Mozilla",
    "test",
    "x"};

inline double meanSize(const std::vector<std::string>& texts) {
  double bytes = 0;
  for (const std::string& text : texts) bytes += static_cast<double>(text.size());
  return bytes / static_cast<double>(texts.size());
}

inline std::string inCase(std::string text, int (*change)(int)) {
  for (char& c : text) c = static_cast<char>(change(static_cast<unsigned char>(c)));
  return text;
}

// Half crawlers (every named agent of the crawler list, the big crawlers common), half browsers.
class HalfCrawlerMix {
 public:
  HalfCrawlerMix(const std::string& crawlerList, const std::string& browserList) {
    std::map<std::string, std::size_t> linesOf;
    const auto listed = labelledAgents(crawlerList);
    for (const auto& [name, agent] : listed) ++linesOf[name];
    std::vector<double> weights;
    for (const auto& [name, agent] : listed) {
      if (name == "-") {
        others_.push_back(agent);
        continue;
      }
      double weight = 1;
      for (const auto& [big, times] : kBigCrawlers)
        if (name == big) weight = times;
      crawlers_.push_back({agent, inCase(agent, ::tolower), inCase(agent, ::toupper)});
      weights.push_back(weight / static_cast<double>(linesOf[name]));
    }
    pickCrawler_ = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
    for (auto& [kind, agent] : labelledAgents(browserList)) browsers_.push_back(agent);
    std::vector<double> shares;
    for (const SourceShare& row : kHalfMix) shares.push_back(row.share);
    pickSource_ = std::discrete_distribution<std::size_t>(shares.begin(), shares.end());
  }

  Pick pick(std::mt19937_64& random) {
    const Source source = kHalfMix[pickSource_(random)].source;
    ++lines_[static_cast<std::size_t>(source)];
    switch (source) {
      case Source::kBrowser:
        return {browsers_[random() % browsers_.size()].c_str(), source};
      case Source::kCrawler:
        return {crawlers_[pickCrawler_(random)].asWritten.c_str(), source};
      case Source::kCrawlerOtherCase: {
        const CrawlerAgent& crawler = crawlers_[pickCrawler_(random)];
        return {(random() % 2 ? crawler.lower : crawler.upper).c_str(), source};
      }
      case Source::kOtherListed:
        return {others_[random() % others_.size()].c_str(), source};
      case Source::kScanner:
        return {kScanners[random() % kScanners.size()], source};
      case Source::kNone:
        break;
    }
    return {"-", source};
  }

  // The mean length of an agent, and of what browsers' lines have more (their referrer's bytes
  // beyond the others' "-"), to spread a day's lines over its hours.
  double meanAgentBytes(std::size_t browserExtraBytes) const {
    double crawlerBytes = 0;
    const std::vector<double> weights = pickCrawler_.probabilities();
    for (std::size_t i = 0; i < crawlers_.size(); ++i)
      crawlerBytes += weights[i] * static_cast<double>(crawlers_[i].asWritten.size());
    const std::vector<std::string> scanners(kScanners.begin(), kScanners.end());
    double bytes = 0;
    for (const SourceShare& row : kHalfMix) {
      const double meanBytes =
          row.source == Source::kBrowser ? meanSize(browsers_) + browserExtraBytes
          : row.source == Source::kCrawler || row.source == Source::kCrawlerOtherCase ? crawlerBytes
          : row.source == Source::kOtherListed ? meanSize(others_)
          : row.source == Source::kScanner     ? meanSize(scanners)
                                               : 1.0;
      bytes += row.share * meanBytes;
    }
    return bytes;
  }

  // What the day holds, one line a source.
  void tell(std::FILE* out) const {
    const double total = std::accumulate(lines_.begin(), lines_.end(), 0.0);
    for (const SourceShare& row : kHalfMix) {
      const std::uint64_t lines = lines_[static_cast<std::size_t>(row.source)];
      std::fprintf(out, "%12llu lines %5.2f%%  %s\n", static_cast<unsigned long long>(lines),
                   100.0 * static_cast<double>(lines) / total, row.what);
    }
  }

 private:
  struct CrawlerAgent {
    std::string asWritten, lower, upper;
  };
  std::vector<CrawlerAgent> crawlers_;
  std::vector<std::string> others_, browsers_;
  std::discrete_distribution<std::size_t> pickCrawler_, pickSource_;
  std::array<std::uint64_t, kHalfMix.size()> lines_{};
};

}  // namespace crawlmeter_bench
