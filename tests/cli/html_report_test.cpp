// The HTML page in a real headless Chromium: it loads without a single request and without a
// console message, its marks hold the run's counts, text from logs and catalogues stays text, and
// it draws something.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "command_runner.h"
#include "day_log.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using crawlmeter::testing::Outcome;
using crawlmeter::testing::readFile;
using crawlmeter::testing::runCommand;
using crawlmeter::testing::runProgram;
using crawlmeter::testing::TempFolder;

constexpr char kBrowser[] = "/usr/bin/chromium";

// A proxy that answers nothing: every request the browser makes lands in its queue, and the
// hosts asked for are read from there once the browser has ended.
class RecordingProxy {
 public:
  RecordingProxy() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(socket_, reinterpret_cast<sockaddr*>(&address), length);
    listen(socket_, 128);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~RecordingProxy() { close(socket_); }

  std::string address() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // The hosts of the requests so far, but for the browser's own calls home.
  std::set<std::string> hostsAskedFor() {
    std::set<std::string> hosts;
    fcntl(socket_, F_SETFL, O_NONBLOCK);
    for (int client; (client = accept(socket_, nullptr, nullptr)) >= 0; close(client)) {
      pollfd ready{client, POLLIN, 0};
      char request[512] = "";
      if (poll(&ready, 1, 500) > 0) recv(client, request, sizeof request - 1, 0);
      std::cmatch match;  // "CONNECT host:443 ..." or "GET http://host/... "
      if (!std::regex_search(request, match, std::regex(R"(^[A-Z]+ (?:https?://)?([^/: ]+))")))
        continue;
      const std::string host = match[1];
      if (!std::regex_search(
              host, std::regex(R"((^|\.)(google\.com|googleapis\.com|gstatic\.com|gvt1\.com)$)"))) {
        hosts.insert(host);
      }
    }
    return hosts;
  }

 private:
  int socket_;
  int port_ = 0;
};

struct Visit {
  std::string dom;
  std::string log;  // the browser's log, with the page's console messages
  std::set<std::string> hosts;
  std::uintmax_t screenshotBytes = 0;
};

// Each visit has a profile and a screenshot of its own, and a browser that hangs is stopped.
Visit visit(const TempFolder& folder, const std::string& page, const std::string& name) {
  RecordingProxy proxy;
  const std::string screenshot = folder.pathOf(name + ".png");
  const Outcome outcome = testing::runProgram(
      folder, "/usr/bin/timeout",
      {"120", kBrowser, "--headless", "--no-sandbox", "--disable-gpu",
       "--user-data-dir=" + folder.pathOf(name + "-profile"), "--proxy-server=" + proxy.address(),
       "--proxy-bypass-list=<-loopback>", "--disable-background-networking",
       "--disable-component-update", "--enable-logging=stderr", "--v=0", "--timeout=3000",
       "--window-size=1000,1400", "--screenshot=" + screenshot, "--dump-dom", "file://" + page});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  return Visit{outcome.out, outcome.err, proxy.hostsAskedFor(),
               std::filesystem::exists(screenshot) ? std::filesystem::file_size(screenshot) : 0};
}

std::string dayLog(const std::string& date, int seed) {
  return testing::dayLog(date, seed, 300,
                         {"Baiduspider/2.0", "Googlebot/2.1", "GPTBot/1.2", "Firefox/120",
                          "EvilBot/1.0", "AhrefsBot/7.0", "ClaudeBot/1.0", "bingbot/2.0",
                          "YandexBot/3.0", "PetalBot", "Amazonbot/0.1", "CCBot/2.0"});
}

// (name, hour) -> count
using HourMarks = std::map<std::pair<std::string, int>, long long>;

// What the page must show, from the JSON results of the same run: page views and IPs by file
// number and hour, crawler visits by name and hour (all files together).
struct RunCounts {
  HourMarks pv, ip, crawlers;
};

RunCounts runCounts(const nlohmann::json& document) {
  RunCounts counts;
  for (std::size_t file = 0; file < document["files"].size(); ++file) {
    for (int hour = 0; hour < 24; ++hour) {
      counts.pv[{std::to_string(file + 1), hour}] = document["kinds"][0]["hours"][file][hour];
      counts.ip[{std::to_string(file + 1), hour}] = document["kinds"][1]["hours"][file][hour];
      for (const auto& crawler : document["crawlers"]) {
        counts.crawlers[{crawler["name"], hour}] += crawler["hours"][file][hour].get<long long>();
      }
    }
  }
  return counts;
}

// An attribute's value as serialized (browsers differ in whether they escape '<' and '>').
std::string unescaped(std::string text) {
  for (const auto& [entity, character] :
       {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
    text = std::regex_replace(text, std::regex(entity), character);
  }
  return text;
}

// data-ATTRIBUTE="NAME" data-hour="H" data-count="N" of the marks of a class, summed by name and
// hour.
HourMarks marks(const std::string& dom, const std::string& element, const std::string& attribute) {
  HourMarks found;
  const std::regex mark("<" + element + R"([^>]* data-)" + attribute +
                        R"re(="([^"]*)" data-hour="(\d+)" data-count="(\d+)")re");
  for (std::sregex_iterator it(dom.begin(), dom.end(), mark), end; it != end; ++it) {
    found[{unescaped((*it)[1]), std::stoi((*it)[2])}] += std::stoll((*it)[3]);
  }
  return found;
}

TEST(HtmlReportTest, ChromiumShowsTheCountsAndNothingElse) {
  if (!std::filesystem::exists(kBrowser))
    GTEST_SKIP() << "no Chromium: scripts/install-deps.sh installs it";
  TempFolder folder;
  // The browser is live: it reports a page's requests and console messages to this test.
  const std::string probe = folder.write(
      "probe.html",
      "<p>x</p><img src=\"http://probe.invalid/a.png\"><script>console.error(1)</script>");
  const Visit control = visit(folder, probe, "probe");
  ASSERT_TRUE(control.hosts.contains("probe.invalid"));
  ASSERT_NE(control.log.find(":CONSOLE"), std::string::npos);

  const std::string hostileLabel = "<script>alert(1)</script><img src=x onerror=alert(2)>";
  const std::string hostileName = "<b onmouseover=alert(3)>Evil</b>";
  const std::string catalogue = folder.write("evil.tsv", hostileName + "\tother\tEvilBot\n");
  const std::string first = folder.write("1.log", dayLog(hostileLabel, 5));
  const std::string second = folder.write("2.log", dayLog("26/Aug/2009", 7));
  const std::string page = folder.pathOf("report.html"), counts = folder.pathOf("counts.json");
  const Outcome made = runCommand(folder, {"--kind=all", "--format=json", "--output", counts,
                                           "--html", page, "--crawlers", catalogue, first, second});
  ASSERT_EQ(made.status, 0) << made.err;
  const Visit shown = visit(folder, page, "report");
  EXPECT_EQ(shown.hosts, std::set<std::string>());
  EXPECT_EQ(shown.log.find(":CONSOLE"), std::string::npos) << shown.log;
  EXPECT_GT(shown.screenshotBytes, 4 * control.screenshotBytes);  // a blank page packs small

  const RunCounts expected = runCounts(nlohmann::json::parse(readFile(counts)));
  EXPECT_EQ(marks(shown.dom, "rect class=\"cell\"", "file"), expected.pv);
  EXPECT_EQ(marks(shown.dom, "circle", "file"), expected.ip);
  // The eight crawlers with the most visits have bars of their own; the others share one layer,
  // and every hour's bars add up to all crawlers' visits in that hour.
  const HourMarks named = marks(shown.dom, "rect class=\"bar\"", "crawler");
  const HourMarks others = marks(shown.dom, "rect class=\"bar\"", "crawler-group");
  std::set<std::string> drawn;
  for (const auto& [key, count] : named) drawn.insert(key.first);
  EXPECT_EQ(drawn.size(), 8u);
  EXPECT_TRUE(drawn.contains(hostileName));
  HourMarks expectedNamed;
  std::map<int, long long> hourTotals, expectedHourTotals;
  for (const auto& [key, count] : expected.crawlers) {
    if (count > 0 && drawn.contains(key.first)) expectedNamed[key] = count;
    if (count > 0) expectedHourTotals[key.second] += count;
  }
  EXPECT_EQ(named, expectedNamed);
  for (const HourMarks* bars : {&named, &others}) {
    for (const auto& [key, count] : *bars) hourTotals[key.second] += count;
  }
  EXPECT_EQ(hourTotals, expectedHourTotals);

  // Log and catalogue text is text: the markup in it is shown, never obeyed.
  const std::string withoutAttributes =
      std::regex_replace(shown.dom, std::regex(R"(="[^"]*")"), "");
  EXPECT_EQ(withoutAttributes.find("<script"), std::string::npos);
  EXPECT_EQ(withoutAttributes.find("<img"), std::string::npos);
  EXPECT_EQ(withoutAttributes.find("<b "), std::string::npos);
  EXPECT_NE(
      shown.dom.find("&lt;script&gt;alert(1)&lt;/script&gt;&lt;img src=x onerror=alert(2)&gt;"),
      std::string::npos);
  EXPECT_NE(shown.dom.find("&lt;b onmouseover=alert(3)&gt;Evil&lt;/b&gt;"), std::string::npos);
}

}  // namespace
}  // namespace crawlmeter
