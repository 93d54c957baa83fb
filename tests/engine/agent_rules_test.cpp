// The rules for agents that name no catalogued crawler, and the cache of agents judged: words that
// are only parts of other words, and browsers that look like no browser, are the faults to catch.
#include "catalogue/agent_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "catalogue/agent_cache.h"

namespace crawlmeter {
namespace {

TEST(AgentRulesTest, TellsMissingAgentsBotsByTheirWordAndAgentsNoBrowserSends) {
  const std::optional<AgentRule> person;
  const struct {
    const char* agent;
    std::optional<AgentRule> rule;
  } cases[] = {
      {"", AgentRule::kNoAgent},
      {"-", AgentRule::kNoAgent},
      {"FooBot/1.0 (+http://foo.example/)", AgentRule::kCallsItselfABot},
      {"Mozilla/5.0 (compatible; SeoCheckBot/2.1)", AgentRule::kCallsItselfABot},
      {"my-crawler/0.1", AgentRule::kCallsItselfABot},
      {"Mozilla/5.0 (compatible; +http://x.example/robots.html)", AgentRule::kCallsItselfABot},
      {"Web Spiders Inc", AgentRule::kCallsItselfABot},
      {"Mozilla/5.0", AgentRule::kNotABrowser},
      {"Hello World", AgentRule::kNotABrowser},
      {"Roboticsworks/2.0", AgentRule::kNotABrowser},
      {"Mozilla/5.0 (Linux; Android 10; CUBOT X30) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/118.0.0.0 Mobile Safari/537.36",
       person},
      {"Mozilla/5.0 (Linux; Android 9; Cubot KingKong) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/88.0.4324.93 Mobile Safari/537.36",
       person},
      {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/120.0.0.0 Safari/537.36 Robotics/1",
       person},
      {"BlackBerry8520/5.0.0.681 Profile/MIDP-2.1 Configuration/CLDC-1.1 VendorID/600", person},
      {"QS304 Profile/MIDP-2.0 Configuration/CLDC-1.1", person},
      {"w3m/0.5.3+git20190105", person},
      {"Midori/0.2 (X11; Linux; U; fr-fr) WebKit/531.2+", person},
      {"Mozilla/5.0 (compatible; Genieo/1.0 http://www.genieo.com/webfilter.html)",
       AgentRule::kNotABrowser},
  };
  for (const auto& c : cases) EXPECT_EQ(agentRuleOf(c.agent), c.rule) << c.agent;
}

// Past its bounds the cache starts again: an agent is then not found, but never found wrong.
TEST(AgentCacheTest, FindsWhatItKeptAndNothingElseWhateverTheAgents) {
  AgentCache cache;
  const auto agentOf = [](std::uint32_t n) {
    return "Mozilla/5.0 (agent " + std::to_string(n) + ")" + std::string(n % 300, 'x');
  };
  const std::uint32_t agents = 20000;
  for (std::uint32_t n = 0; n < agents; ++n) {
    const std::string agent = agentOf(n);
    const std::uint64_t hash = AgentCache::hashOf(agent);
    ASSERT_FALSE(cache.find(agent, hash).has_value()) << n;
    cache.insert(agent, hash, n);
    ASSERT_EQ(cache.find(agent, hash), n);
  }
  std::uint32_t kept = 0;
  for (std::uint32_t n = 0; n < agents; ++n) {
    const std::string agent = agentOf(n);
    const std::optional<std::uint32_t> found = cache.find(agent, AgentCache::hashOf(agent));
    if (found) {
      EXPECT_EQ(*found, n);
      ++kept;
    }
  }
  EXPECT_GT(kept, 1000u);
}

}  // namespace
}  // namespace crawlmeter
