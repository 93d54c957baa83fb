// What a user agent that names no catalogued crawler still says of itself: no agent at all, a bot
// by its own word, or an agent no browser sends. Each rule counts as a crawler of its own.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "catalogue/crawler_catalogue.h"

namespace crawlmeter {

// In the order a rule is tried: the first that holds decides.
enum class AgentRule { kNoAgent, kCallsItselfABot, kNotABrowser };

struct AgentRuleRow {
  AgentRule rule;
  std::string_view name;  // UTF-8, as the rule's crawler is named in reports
  CrawlerCategory category;
  std::string_view what;  // how --list-crawlers describes it
};

inline constexpr std::array<AgentRuleRow, 3> kAgentRules = {{
    {AgentRule::kNoAgent, "无用户代理", CrawlerCategory::kTool,
     "(rule: no user agent, - or empty)"},
    {AgentRule::kCallsItselfABot, "其他蜘蛛", CrawlerCategory::kOther,
     "(rule: the word bot, crawler, spider or robot)"},
    {AgentRule::kNotABrowser, "无名自动程序", CrawlerCategory::kTool,
     "(rule: no platform, as no browser sends)"},
}};

static_assert(
    [] {
      for (std::size_t i = 0; i < kAgentRules.size(); ++i) {
        if (static_cast<std::size_t>(kAgentRules[i].rule) != i) return false;
      }
      return true;
    }(),
    "kAgentRules' rows follow AgentRule's order");

// The first rule that an agent (a log's bytes) holds to, if any.
std::optional<AgentRule> agentRuleOf(std::string_view agent);

// Whether the agent holds "bot", "crawler", "spider" or "robot" (any letter case, an "s" after
// it allowed) as a word: not after a letter unless it starts a capitalised part after a lower-case
// letter ("FooBot"), and never before one. "Cubot", "CUBOT" and "Robotics" hold no such word.
bool callsItselfABot(std::string_view agent);

// Whether the agent has a browser's shape: no web address in it, and either three product tokens
// (NAME/VERSION) as old phones send, a text browser's or a Java ME phone's name, or a platform in
// parentheses after "Mozilla/", "Opera/" or "Dalvik/" or between two product tokens (as lesser
// browsers write theirs).
bool looksLikeABrowser(std::string_view agent);

}  // namespace crawlmeter
