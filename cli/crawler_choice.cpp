// Catalogue loading for the command, and the close-name search that makes a mistyped crawler's
// name a helpful error.
#include "crawler_choice.h"

#include <algorithm>
#include <vector>

#include "catalogue/agent_rules.h"
#include "files/process_setup.h"
#include "verify/verdict.h"

namespace crawlmeter {
namespace {

// Names this many edits apart, or closer, are offered as what the user may have meant.
constexpr std::size_t kCloseEdits = 2;
constexpr std::size_t kMostCloseNames = 5;

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The Levenshtein distance between a and b.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t substitute = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitute});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

// Names within a few edits of name, or holding it, ignoring case; the closest first.
std::vector<std::string> closeNames(const CrawlerCatalogue& catalogue, const std::string& name) {
  const std::string wanted = lowerCase(name);
  std::vector<std::pair<std::size_t, std::string>> close;
  for (const Crawler& crawler : catalogue.crawlers()) {
    const std::string candidate = lowerCase(crawler.name);
    const std::size_t edits = editDistance(wanted, candidate);
    if (edits <= kCloseEdits || candidate.find(wanted) != std::string::npos) {
      close.emplace_back(edits, crawler.name);
    }
  }
  std::stable_sort(close.begin(), close.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (std::size_t i = 0; i < close.size() && i < kMostCloseNames; ++i) {
    names.push_back(close[i].second);
  }
  return names;
}

}  // namespace

Error loadCommandCatalogue(const CommandLine& line, CrawlerCatalogue* catalogue) {
  CatalogueChoice choice;
  choice.files = line.crawlerFiles;
  const std::optional<std::string> xdg = environmentText("XDG_CONFIG_HOME");
  const std::optional<std::string> home = environmentText("HOME");
  const std::optional<std::string> appData = environmentText("APPDATA");
  const auto text = [](const std::optional<std::string>& value) {
    return value ? value->c_str() : nullptr;
  };
  choice.userFile = userCatalogueFile(text(xdg), text(home), text(appData));
  choice.builtIn = line.builtInCrawlers;
  return loadCatalogue(choice, catalogue);
}

std::optional<std::size_t> crawlerNamed(const CrawlerCatalogue& catalogue, const std::string& name,
                                        Message* error) {
  if (const std::optional<std::size_t> exact = catalogue.find(name)) return exact;
  std::optional<std::size_t> found;
  std::size_t matches = 0;
  for (std::size_t i = 0; i < catalogue.crawlers().size(); ++i) {
    if (lowerCase(catalogue.crawlers()[i].name) == lowerCase(name)) {
      found = i;
      ++matches;
    }
  }
  if (matches == 1) return found;
  const std::vector<std::string> close = closeNames(catalogue, name);
  if (close.empty()) {
    *error =
        Message(translatable("no crawler named '%s' in the catalogue (see --list-crawlers)"), name);
    return std::nullopt;
  }
  std::string names = close[0];
  for (std::size_t i = 1; i < close.size(); ++i) names += ", " + close[i];
  *error = Message(translatable("no crawler named '%s' in the catalogue; did you mean %s?"), name,
                   names);
  return std::nullopt;
}

std::string catalogueListing(const CrawlerCatalogue& catalogue, const CrawlerRanges& ranges) {
  std::string text;
  for (const CatalogueLine& line : catalogue.lines()) {
    const Crawler& crawler = catalogue.crawlers()[line.crawler];
    text += crawler.name + '\t' + std::string(categoryName(crawler.category)) + '\t' + line.text +
            (line.anyCase ? "\tnocase\t" : "\texact\t") + line.source + '\t' +
            std::string(verificationWord(crawler.name, ranges)) + '\n';
  }
  // The rules have no text to match: their column says what they take.
  if (const std::optional<std::size_t> first = catalogue.firstRuleCrawler()) {
    for (std::size_t rule = 0; rule < kAgentRules.size(); ++rule) {
      const Crawler& crawler = catalogue.crawlers()[*first + rule];
      text += crawler.name + '\t' + std::string(categoryName(crawler.category)) + '\t';
      text += kAgentRules[rule].what;
      text += "\trule\t";
      text += kBuiltInSource;
      text += "\t-\n";
    }
  }
  for (const RangeFile& file : kRangeFiles) {
    const CrawlerRanges::Loaded* loaded = ranges.file(file.name);
    if (!ranges.hasRanges(file.name)) continue;
    text += "# ranges\t";
    text += file.name;
    text += '\t' + (loaded->date.empty() ? std::string("-") : loaded->date) + '\t' +
            loaded->source + '\n';
  }
  return text;
}

}  // namespace crawlmeter
