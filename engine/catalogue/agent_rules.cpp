// The rules for agents that name no catalogued crawler, over a log's bytes (ASCII decides).
#include "catalogue/agent_rules.h"

#include <algorithm>
#include <cstddef>

namespace crawlmeter {
namespace {

constexpr std::array<std::string_view, 4> kBotWords = {"bot", "crawler", "spider", "robot"};
// How every browser's agent starts (Android apps' own client too, whose users are people).
constexpr std::array<std::string_view, 3> kBrowserStarts = {"Mozilla/", "Opera/", "Dalvik/"};
// Browsers that need no platform: text browsers, and phones' (Java ME) browsers.
constexpr std::array<std::string_view, 4> kPlainBrowserMarks = {"ELinks", "Lynx/", "w3m/",
                                                                "Profile/MIDP"};
// A browser never puts a web address in its agent; crawlers say where they are explained.
constexpr std::array<std::string_view, 3> kAddressMarks = {"http://", "https://", "www."};

bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLetter(char c) { return isLower(c) || isUpper(c); }
char lowered(char c) { return isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

bool holdsFoldedAt(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lowered(text[at + i]) != word[i]) return false;
  }
  return true;
}

// A word starts after no letter, or as a capital after a lower-case letter.
bool startsWord(std::string_view text, std::size_t at) {
  if (at == 0 || !isLetter(text[at - 1])) return true;
  return isUpper(text[at]) && isLower(text[at - 1]);
}

bool endsWord(std::string_view text, std::size_t end) {
  if (end < text.size() && lowered(text[end]) == 's') ++end;
  return end == text.size() || !isLetter(text[end]);
}

// NAME/VERSION tokens: a slash with a letter or digit on each side.
std::size_t productTokens(std::string_view agent) {
  std::size_t tokens = 0;
  for (std::size_t at = 1; at + 1 < agent.size(); ++at) {
    if (agent[at] != '/') continue;
    const auto wordy = [](char c) { return isLetter(c) || (c >= '0' && c <= '9'); };
    if (wordy(agent[at - 1]) && wordy(agent[at + 1])) ++tokens;
  }
  return tokens;
}

}  // namespace

bool callsItselfABot(std::string_view agent) {
  for (std::size_t at = 0; at < agent.size(); ++at) {
    if (!startsWord(agent, at)) continue;
    for (std::string_view word : kBotWords) {
      if (holdsFoldedAt(agent, at, word) && endsWord(agent, at + word.size())) return true;
    }
  }
  return false;
}

bool looksLikeABrowser(std::string_view agent) {
  for (std::string_view address : kAddressMarks) {
    if (agent.find(address) != std::string_view::npos) return false;
  }
  if (productTokens(agent) >= 3) return true;
  for (std::string_view mark : kPlainBrowserMarks) {
    if (agent.find(mark) != std::string_view::npos) return true;
  }
  const std::size_t open = agent.find('(');
  const bool platform =
      open != std::string_view::npos && agent.find(')', open) != std::string_view::npos;
  const bool browserStart =
      std::any_of(kBrowserStarts.begin(), kBrowserStarts.end(),
                  [&](std::string_view start) { return agent.starts_with(start); });
  return platform && (browserStart || productTokens(agent) == 2);
}

std::optional<AgentRule> agentRuleOf(std::string_view agent) {
  if (agent.empty() || agent == "-") return AgentRule::kNoAgent;
  if (callsItselfABot(agent)) return AgentRule::kCallsItselfABot;
  if (!looksLikeABrowser(agent)) return AgentRule::kNotABrowser;
  return std::nullopt;
}

}  // namespace crawlmeter
