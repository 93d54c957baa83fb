// The table of verification methods, from what each operator publishes about its crawlers.
#include "verify/verification_methods.h"

#include <algorithm>

namespace crawlmeter {

const std::vector<VerificationMethod>& verificationMethods() {
  static const std::vector<VerificationMethod> kMethods = {
      {"Google",
       {"Googlebot", "Googlebot-Image", "Googlebot-Video", "Storebot-Google",
        "Google-InspectionTool", "GoogleOther", "Google-CloudVertexBot"},
       {"googlebot.json"},
       {"googlebot.com", "google.com"}},
      {"Google",
       {"AdsBot-Google", "Mediapartners-Google", "APIs-Google"},
       {"special-crawlers.json"},
       {"google.com", "googlebot.com"}},
      {"Google",
       {"FeedFetcher-Google"},
       {"user-triggered-fetchers.json"},
       {"googleusercontent.com", "google.com"}},
      {"Microsoft",
       {"bingbot", "msnbot", "adidxbot", "MicrosoftPreview"},
       {"bingbot.json"},
       {"search.msn.com"}},
      {"OpenAI", {"GPTBot"}, {"gptbot.json"}, {}},
      {"OpenAI", {"OAI-SearchBot"}, {"searchbot.json"}, {}},
      {"OpenAI", {"ChatGPT-User"}, {"chatgpt-user.json"}, {}},
      {"Perplexity", {"PerplexityBot"}, {"perplexitybot.json"}, {}},
      {"Perplexity", {"Perplexity-User"}, {"perplexity-user.json"}, {}},
      {"DuckDuckGo", {"DuckDuckBot"}, {"duckduckbot.json"}, {}},
      {"Apple", {"Applebot"}, {"applebot.json"}, {"applebot.apple.com"}},
      {"Baidu",
       {"Baiduspider", "Baiduspider-image", "Baiduspider-render"},
       {},
       {"baidu.com", "baidu.jp"}},
      {"Yandex",
       {"YandexBot", "YandexImages", "YandexDirect", "YandexRenderResourcesBot"},
       {},
       {"yandex.ru", "yandex.net", "yandex.com"}},
      {"Yahoo", {"Slurp"}, {}, {"crawl.yahoo.net"}},
      {"Sogou", {"Sogou"}, {}, {"sogou.com"}},
      {"Huawei", {"PetalBot"}, {}, {"petalsearch.com"}},
      {"Seznam", {"SeznamBot"}, {}, {"seznam.cz"}},
      {"Naver", {"Yeti"}, {}, {"naver.com"}},
  };
  return kMethods;
}

const VerificationMethod* verificationMethodOf(std::string_view crawlerName) {
  for (const VerificationMethod& method : verificationMethods()) {
    if (std::find(method.crawlers.begin(), method.crawlers.end(), crawlerName) !=
        method.crawlers.end()) {
      return &method;
    }
  }
  return nullptr;
}

}  // namespace crawlmeter
