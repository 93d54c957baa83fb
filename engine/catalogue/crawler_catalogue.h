// The crawler catalogue: which crawler a log line comes from, told by texts in its user agent.
// A catalogue file has one line per identifying text, NAME<TAB>CATEGORY<TAB>TEXT, with a fourth
// column `nocase` where the text matches in any letter case; lines starting with '#' and blank
// lines are ignored. A name on several lines has several texts, and the order
// of the lines is the priority: the first line whose text a log line holds decides.
//
// Texts are matched as code page 936 bytes, so a text must be one that code page 936 can hold; in
// any letter case, only ASCII letters fold, never a byte of a two-byte character.
// A name keeps the category of its first line.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace crawlmeter {

enum class CrawlerCategory {
  kSearch,
  kAi,
  kSeo,
  kSocial,
  kMonitor,
  kArchive,
  kTool,
  kScanner,
  kOther
};

// Each category: its code in catalogue files, CSV and JSON, and its name in reports (UTF-8), in
// the order of the enum, which is the order categories are listed in.
struct CategoryRow {
  CrawlerCategory category;
  std::string_view code;
  std::string_view label;
};
inline constexpr std::array<CategoryRow, 9> kCategories = {{
    {CrawlerCategory::kSearch, "search", "搜索引擎"},
    {CrawlerCategory::kAi, "ai", "人工智能"},
    {CrawlerCategory::kSeo, "seo", "SEO 工具"},
    {CrawlerCategory::kSocial, "social", "社交媒体"},
    {CrawlerCategory::kMonitor, "monitor", "监控"},
    {CrawlerCategory::kArchive, "archive", "网页存档"},
    {CrawlerCategory::kTool, "tool", "工具与程序"},
    {CrawlerCategory::kScanner, "scanner", "扫描器"},
    {CrawlerCategory::kOther, "other", "其他"},
}};

const CategoryRow& categoryRow(CrawlerCategory category);
inline std::string_view categoryName(CrawlerCategory category) {
  return categoryRow(category).code;
}

struct Crawler {
  std::string name;  // UTF-8
  CrawlerCategory category = CrawlerCategory::kOther;
};

// One identifying text, in priority order.
struct CatalogueLine {
  std::size_t crawler = 0;  // index into CrawlerCatalogue::crawlers()
  std::string text;         // UTF-8, as written
  std::string encodedText;  // the code page 936 bytes a log holds
  std::string source;       // "built-in", or "PATH:LINE"
  bool anyCase = false;     // its ASCII letters match in either case (`nocase`)
};

inline constexpr std::string_view kBuiltInSource = "built-in";

class CrawlerCatalogue {
 public:
  // Appends the lines of a catalogue file's text (path names it in sources and errors; the
  // built-in catalogue is named kBuiltInSource). On an error nothing is appended. A wrong line
  // fails with kCatalogue, the path, the line's number and the problem in detail (or kConvert
  // where the system cannot convert code page 936).
  Error add(std::string_view text, const std::string& path);
  // Reads and appends a catalogue file; a file that cannot be read fails with the system's
  // error, one too large to be a catalogue with kCatalogue and line 0.
  Error addFile(const std::string& path);

  // Appends a crawler for each of the agent rules (catalogue/agent_rules.h), in their order,
  // after every crawler added so far; they have no lines.
  void addAgentRules();
  // The first rule's crawler, when the rules were added.
  std::optional<std::size_t> firstRuleCrawler() const { return firstRuleCrawler_; }

  const std::vector<Crawler>& crawlers() const { return crawlers_; }
  const std::vector<CatalogueLine>& lines() const { return lines_; }
  // The crawler of that name, exactly as written.
  std::optional<std::size_t> find(std::string_view name) const;

 private:
  std::vector<Crawler> crawlers_;
  std::vector<CatalogueLine> lines_;
  std::optional<std::size_t> firstRuleCrawler_;
};

// The text of the catalogue compiled into the program.
std::string_view builtInCatalogueText();

// The catalogue a user gets: the given files, then the user's own file when it exists, then the
// built-in lines and the agent rules unless left out.
struct CatalogueChoice {
  std::vector<std::string> files;
  std::optional<std::string> userFile;  // see userCatalogueFile()
  bool builtIn = true;
};
Error loadCatalogue(const CatalogueChoice& choice, CrawlerCatalogue* catalogue);

// $XDG_CONFIG_HOME/crawlmeter/crawlers.tsv (~/.config when that is unset, empty or relative, and
// Windows' %APPDATA% where there is no home either), given the variables (UTF-8); nullopt when
// none says where the configuration lives.
std::optional<std::string> userCatalogueFile(const char* xdgConfigHome, const char* home,
                                             const char* appData = nullptr);

// "PATH:LINE: PROBLEM" for an error of add, addFile or loadCatalogue in wording's language, with
// the system's reason after it when there is one.
std::string catalogueErrorMessage(const Error& error, const Wording& wording);

}  // namespace crawlmeter
