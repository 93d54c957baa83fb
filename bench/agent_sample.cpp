// How the built-in catalogue and its agent rules judge collections of real user agents: the share
// of crawler and tool agents counted as automated and counted for their own name, and the share
// of browser agents counted as automated. Each distinct agent counts once.
//
//   agent_sample [--crawlers FILE]... [--browsers FILE]... [--missed yes]
//
// A crawler file is either NAME<TAB>AGENT lines (tests/data/crawler_user_agents.tsv; its lines
// named "-", which no catalogue text may name, are left out) or the public crawler-user-agents
// collection's JSON (a pattern and its instances, each instance's own name taken from the pattern's
// letters). A browser file is KIND<TAB>AGENT lines (tests/data/browser_user_agents.tsv).
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/crawler_matcher.h"

namespace {

using namespace crawlmeter;

struct Sample {
  std::map<std::string, std::string> crawlers;  // agent -> its own name ("" when unknown)
  std::set<std::string> browsers;
};

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Lower-case letters and digits only: how a pattern and a crawler's name are compared.
std::string folded(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out += c;
  }
  return out;
}

void addTabbed(const std::string& path, bool browsers, Sample& sample) {
  std::istringstream lines(readAll(path));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    const std::string name = line.substr(0, tab), agent = line.substr(tab + 1);
    if (browsers) {
      sample.browsers.insert(agent);
    } else if (name != "-") {  // agents no catalogue text may name: browsers and programs alike
      sample.crawlers[agent] = name;
    }
  }
}

void addCollection(const std::string& path, Sample& sample) {
  for (const auto& entry : nlohmann::json::parse(readAll(path))) {
    const std::string pattern = entry.value("pattern", "");
    for (const auto& instance : entry.value("instances", nlohmann::json::array())) {
      std::string expected = "~";  // appended: GCC 12 warns wrongly of "..." + string&&
      expected += folded(pattern);
      sample.crawlers.emplace(instance.get<std::string>(), expected);
    }
  }
}

bool isOwnName(const std::string& expected, const std::string& counted) {
  if (expected.empty() || expected[0] != '~') return expected == counted;
  const std::string pattern = expected.substr(1), name = folded(counted);
  return !name.empty() &&
         (pattern.find(name) != std::string::npos || name.find(pattern) != std::string::npos);
}

double percent(std::size_t part, std::size_t whole) {
  return whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

}  // namespace

int main(int argc, char** argv) {
  Sample sample;
  bool listMissed = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i], path = argv[i + 1];
    listMissed = listMissed || option == "--missed";
    const bool json = path.ends_with(".json");
    if (option == "--crawlers" && json) addCollection(path, sample);
    if (option == "--crawlers" && !json) addTabbed(path, false, sample);
    if (option == "--browsers") addTabbed(path, true, sample);
  }
  CrawlerCatalogue catalogue;
  if (loadCatalogue(CatalogueChoice{}, &catalogue).failed()) return 2;
  auto matcher = CrawlerMatcher::compile(catalogue);
  if (matcher.failed()) return 2;
  auto search = CrawlerSearch::start(*matcher);
  if (search.failed()) return 2;
  // Whether the catalogue has a crawler of that own name at all.
  const auto catalogued = [&](const std::string& expected) {
    for (const Crawler& crawler : catalogue.crawlers()) {
      if (isOwnName(expected, crawler.name)) return true;
    }
    return false;
  };
  std::size_t automated = 0, named = 0, own = 0, known = 0, knownOwn = 0;
  for (const auto& [agent, expected] : sample.crawlers) {
    const std::size_t crawler = search->crawlerOfAgent(agent);
    if (crawler == kNotCatalogued && listMissed) std::printf("not automated: %s\n", agent.c_str());
    if (crawler == kNotCatalogued) continue;
    ++automated;
    const bool rule = crawler >= catalogue.firstRuleCrawler().value_or(SIZE_MAX);
    named += !rule;
    const bool isOwn = !rule && isOwnName(expected, catalogue.crawlers()[crawler].name);
    own += isOwn;
    if (catalogued(expected)) {
      ++known;
      knownOwn += isOwn;
    }
  }
  std::size_t browsersAutomated = 0;
  for (const std::string& agent : sample.browsers) {
    const std::size_t crawler = search->crawlerOfAgent(agent);
    if (crawler == kNotCatalogued) continue;
    ++browsersAutomated;
    std::printf("browser counted as %s: %s\n", catalogue.crawlers()[crawler].name.c_str(),
                agent.c_str());
  }
  const std::size_t crawlers = sample.crawlers.size();
  std::printf(
      "crawler and tool agents: %zu; automated %.1f%%, by a catalogue name %.1f%%, "
      "by their own name %.1f%%\n",
      crawlers, percent(automated, crawlers), percent(named, crawlers), percent(own, crawlers));
  std::printf("agents whose own name the catalogue has: %zu; counted for it %.1f%%\n", known,
              percent(knownOwn, known));
  std::printf("browser agents: %zu; automated %.2f%%\n", sample.browsers.size(),
              percent(browsersAutomated, sample.browsers.size()));
  return 0;
}
