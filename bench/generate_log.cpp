// Writes a deterministic, realistic day of combined-format access log for benchmarks: a Zipf-like
// pool of clients (a few percent IPv6), a daily traffic curve, browsers, and about 30% crawler
// lines: today's crawlers' real user agents (read from the test data's list) and near misses
// (lower-case names, old bots). With --half-crawlers, half of the lines are crawlers, tools and
// scanners of every agent of that list, and half browsers of the test data's browser list; what
// the day holds is then told on standard error.
//
//   generate_log [--size BYTES] [--seed N] [--date DD/Mon/YYYY] [--crlf] [--agents FILE]
//                [--half-crawlers [--browsers FILE]] > day.log
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "half_crawler_mix.h"

namespace {

using namespace crawlmeter_bench;

constexpr int kClientPool = 50'000;
constexpr double kIpv6Share = 0.03;
constexpr double kCrawlerShare = 0.30;
// Of the crawler lines, the share that carries one of the classic bots and near misses below.
constexpr double kClassicBotShare = 0.3;

struct Options {
  std::uint64_t size = 100ULL << 20;
  std::uint64_t seed = 1;
  std::string date = "25/Aug/2009";
  bool crlf = false;
  std::string agents = CRAWLMETER_USER_AGENTS;
  bool halfCrawlers = false;
  std::string browsers = CRAWLMETER_BROWSER_AGENTS;
};

const std::array<const char*, 6> kBrowsers = {
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/119.0.0.0 Safari/537.36",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
    "Version/17.1 Safari/605.1.15",
    "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
    "Gecko) Mobile/15E148",
    "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/119.0 "
    "Mobile Safari/537.36",
    "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0; .NET CLR 2.0.50727)"};

// Crawlers, near misses and other bots, all within the crawler share.
const std::array<const char*, 12> kBots = {
    "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/help/us/ysearch/slurp)",
    "Sogou web spider/4.0(+http://www.sogou.com/docs/help/webmasters.htm#07)",
    "Mozilla/5.0 (compatible; YoudaoBot/1.0; http://www.youdao.com/help/webmaster/spider/)",
    "msnbot/2.0b (+http://search.msn.com/msnbot.htm)",
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
    "Mozilla/5.0 (compatible; baiduspider-render/1.0)",
    "Mozilla/5.0 (compatible; googlebot-image/1.0)",
    "Mozilla/5.0 (compatible; Yahoo Slurp China)",
    "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
    "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)"};

// Browsers' lines come from this page; the others name none.
constexpr const char* kReferrer = "http://www.veldtbyte.example/bbs/forum.php";
// A line's bytes other than its agent and referrer, about (the address, time, request, status).
constexpr double kLineBytesBesideAgent = 103.5;

const std::array<const char*, 8> kPaths = {"/",
                                           "/index.html",
                                           "/bbs/forum.php?mod=viewthread&tid=",
                                           "/static/css/site.css?v=",
                                           "/images/banner-",
                                           "/article/2009/08/",
                                           "/search?q=web+log+analysis&page=",
                                           "/api/v1/items/"};

std::string clientAddress(int rank) {
  std::mt19937_64 fixed(static_cast<std::uint64_t>(rank) * 2654435761ULL);
  char text[64];
  if (std::uniform_real_distribution<>(0, 1)(fixed) < kIpv6Share) {
    std::snprintf(text, sizeof text, "2001:db8:%x:%x::%x", static_cast<unsigned>(fixed() & 0xffff),
                  static_cast<unsigned>(fixed() & 0xffff), static_cast<unsigned>(fixed() & 0xffff));
  } else {
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(fixed() % 223 + 1),
                  static_cast<unsigned>(fixed() % 256), static_cast<unsigned>(fixed() % 256),
                  static_cast<unsigned>(fixed() % 254 + 1));
  }
  return text;
}

// The share of the day's lines written by the end of each hour: busy afternoons, quiet nights.
std::vector<double> dailyCurve() {
  std::vector<double> cumulative(24);
  double sum = 0;
  for (int h = 0; h < 24; ++h) cumulative[h] = sum += 1.2 + std::sin((h - 9) * M_PI / 12.0);
  for (double& share : cumulative) share /= sum;
  return cumulative;
}

// The second of the day at which the given share of the day's lines has been written.
int secondAt(const std::vector<double>& curve, double share) {
  int hour = 0;
  while (hour < 23 && curve[hour] <= share) ++hour;
  const double start = hour == 0 ? 0 : curve[hour - 1];
  const double within = (share - start) / (curve[hour] - start);
  return hour * 3600 + std::min(3599, static_cast<int>(within * 3600));
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    auto value = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (argument == "--size")
      options.size = std::strtoull(value().c_str(), nullptr, 10);
    else if (argument == "--seed")
      options.seed = std::strtoull(value().c_str(), nullptr, 10);
    else if (argument == "--date")
      options.date = value();
    else if (argument == "--crlf")
      options.crlf = true;
    else if (argument == "--agents")
      options.agents = value();
    else if (argument == "--half-crawlers")
      options.halfCrawlers = true;
    else if (argument == "--browsers")
      options.browsers = value();
    else {
      std::fprintf(stderr,
                   "usage: generate_log [--size BYTES] [--seed N] [--date DD/Mon/YYYY] [--crlf] "
                   "[--agents FILE] [--half-crawlers [--browsers FILE]]\n");
      std::exit(2);
    }
  }
  return options;
}

// The crawlers' user agents of a NAME<TAB>USER_AGENT list (browsers and tools, named "-", left
// out).
std::vector<std::string> crawlerAgents(const std::string& path) {
  std::vector<std::string> agents;
  for (auto& [name, agent] : labelledAgents(path))
    if (name != "-") agents.push_back(std::move(agent));
  return agents;
}

// The classic mix: a share of crawler lines, of which some are the classic bots and near misses.
class ClassicMix {
 public:
  explicit ClassicMix(const Options& options) : agents_(crawlerAgents(options.agents)) {}

  Pick pick(std::mt19937_64& random) {
    const bool bot = unit_(random) < kCrawlerShare;
    const char* agent = !bot ? kBrowsers[random() % kBrowsers.size()]
                        : unit_(random) < kClassicBotShare
                            ? kBots[random() % kBots.size()]
                            : agents_[random() % agents_.size()].c_str();
    return {agent, bot ? Source::kCrawler : Source::kBrowser};
  }

 private:
  std::vector<std::string> agents_;
  std::uniform_real_distribution<> unit_{0, 1};
};

// Writes the day's lines, each with an agent of the mix, about lineGuess of them in all.
template <typename Mix>
void writeDay(const Options& options, Mix& mix, std::uint64_t lineGuess) {
  std::mt19937_64 random(options.seed);
  std::vector<std::string> clients;
  for (int rank = 0; rank < kClientPool; ++rank) clients.push_back(clientAddress(rank));
  std::vector<double> zipf(kClientPool);
  for (int rank = 0; rank < kClientPool; ++rank) zipf[rank] = 1.0 / std::pow(rank + 1, 0.9);
  std::discrete_distribution<int> pickClient(zipf.begin(), zipf.end());
  const std::vector<double> curve = dailyCurve();
  std::uniform_real_distribution<> unit(0, 1);
  const char* lineEnd = options.crlf ? "\r\n" : "\n";
  // Lines come in time order: a day is written as blocks of one second each.
  std::uint64_t written = 0, line = 0;
  std::string out;
  out.reserve(1 << 20);
  while (written < options.size) {
    const double share =
        std::min(0.999999, static_cast<double>(line++) / static_cast<double>(lineGuess));
    const int second = secondAt(curve, share);
    const int hour = second / 3600;
    const Pick pick = mix.pick(random);
    const std::string& client = clients[pickClient(random)];
    char text[4096];
    const int length = std::snprintf(
        text, sizeof text,
        "%s - - [%s:%02d:%02d:%02d +0800] \"GET %s%u HTTP/1.1\" %d %u \"%s\" \"%s\"%s",
        client.c_str(), options.date.c_str(), hour, second / 60 % 60, second % 60,
        kPaths[random() % kPaths.size()], static_cast<unsigned>(random() % 100000),
        unit(random) < 0.9 ? 200 : 404, static_cast<unsigned>(random() % 50000),
        pick.source != Source::kBrowser ? "-" : kReferrer, pick.agent, lineEnd);
    out.append(text, static_cast<std::size_t>(length));
    written += static_cast<std::uint64_t>(length);
    if (out.size() > (1 << 20) - 600) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  if (!options.halfCrawlers) {
    ClassicMix mix(options);
    writeDay(options, mix, options.size / 240 + 1);
    return 0;
  }
  HalfCrawlerMix mix(options.agents, options.browsers);
  const double lineBytes = kLineBytesBesideAgent + mix.meanAgentBytes(std::strlen(kReferrer) - 1);
  writeDay(options, mix,
           static_cast<std::uint64_t>(static_cast<double>(options.size) / lineBytes) + 1);
  mix.tell(stderr);
  return 0;
}
