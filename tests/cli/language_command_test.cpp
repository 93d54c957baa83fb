// The command speaks one language a line: under a Chinese locale all of its words are Chinese
// (the system's reason too, from the C library), under any other they are English, and no line of
// standard error or of --help mixes the two. The report is the same in every locale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "command_runner.h"
#include "compress.h"
#include "day_log.h"
#include "locales.h"

namespace crawlmeter {
namespace {

using testing::compress;
using testing::Outcome;
using testing::TempFolder;

// Whether text holds a CJK ideograph or CJK punctuation (U+3000..U+9FFF, U+FF00..U+FFEF).
bool hasChinese(std::string_view text) {
  for (std::size_t at = 0; at + 2 < text.size(); ++at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const auto next = static_cast<unsigned char>(text[at + 1]);
    if ((lead >= 0xE3 && lead <= 0xE9) || (lead == 0xEF && next >= 0xBC && next <= 0xBF))
      return true;
  }
  return false;
}

// Words a Chinese line may hold as they are: what a user types (kinds, formats, categories) and
// the names of compression formats, servers and their configuration words.
const std::set<std::string, std::less<>> kLiteralWords = {
    "pv",      "ip",      "sogou",      "bing",  "baidu",  "youdao", "yahoo",   "google",
    "all",     "bot",     "bots",       "text",  "csv",    "json",   "gzip",    "xz",
    "zstd",    "deflate", "search",     "ai",    "seo",    "social", "monitor", "other",
    "archive", "Windows", "positional", "w3c",   "vhost",  "nginx",  "Apache",  "LogFormat",
    "local",   "address", "time",       "agent", "humans", "tool",   "scanner"};

// The English words of line: runs of ASCII letters outside Chinese characters, but for options,
// paths, file names and numbers (a token with one of "-/\\.$%:_,<>" or a digit), abbreviations
// and metavariables in capitals (CSV, UTF, TAB) and kLiteralWords.
std::vector<std::string> englishWords(std::string_view line) {
  std::vector<std::string> words;
  std::string token;
  const auto judge = [&] {
    while (!token.empty() &&
           std::string_view("()[]'\",.;:!?=").find(token.back()) != std::string_view::npos)
      token.pop_back();
    while (!token.empty() &&
           std::string_view("()[]'\"").find(token.front()) != std::string_view::npos)
      token.erase(0, 1);
    const bool literal = token.find_first_of("-/\\.$%:_,<>0123456789") != std::string::npos;
    bool capitals = true, letters = false;
    for (const char c : token) {
      capitals = capitals && !std::islower(static_cast<unsigned char>(c));
      letters = letters || std::isalpha(static_cast<unsigned char>(c));
    }
    if (letters && !literal && !capitals && !kLiteralWords.contains(token)) words.push_back(token);
    token.clear();
  };
  for (const char c : line) {
    if (static_cast<unsigned char>(c) >= 0x80 || std::isspace(static_cast<unsigned char>(c))) {
      judge();
    } else {
      token += c;
    }
  }
  judge();
  return words;
}

// The lines of text, with what the user typed (the arguments, longest first, and so the paths
// and names that messages quote) taken out.
std::vector<std::string> linesOf(std::string text, std::vector<std::string> typed) {
  std::sort(typed.begin(), typed.end(), [](auto& a, auto& b) { return a.size() > b.size(); });
  for (const std::string& words : typed) {
    for (std::size_t at; (at = text.find(words)) != std::string::npos;)
      text.erase(at, words.size());
  }
  std::vector<std::string> lines;
  for (std::size_t begin = 0; begin < text.size();) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

struct Failure {
  const char* what;
  std::vector<std::string> arguments;
  bool toStandardOutput = false;      // --help
  std::vector<std::string> quoted{};  // names the message quotes as they are
};

TEST(LanguageCommandTest, EachLineSpeaksTheUsersLanguageOnly) {
  if (!testing::hasChineseSystemMessages())
    GTEST_SKIP() << "the C library's Chinese messages (libc-l10n) are not installed";
  TempFolder locales;
  if (!testing::buildLocale(locales, "zh_CN", "UTF-8") ||
      !testing::buildLocale(locales, "zh_CN", "GBK"))
    GTEST_SKIP() << "localedef cannot build the Chinese locales (the locales package)";
  TempFolder folder;
  const std::string day = testing::dayLog("01/Jan/2024", 5, 60, {"Mozilla/5.0", "Baiduspider"});
  const std::string log = folder.write("a.log", day);
  const std::string gzip = compress(Compression::kGzip, day);
  std::string flipped = gzip;
  for (std::size_t at = gzip.size() / 3; at < gzip.size() / 3 + 16; ++at) flipped[at] ^= 0x55;
  const Failure failures[] = {
      {"a missing file", {log, folder.pathOf("missing.log")}},
      {"a bad catalogue line", {"--crawlers", folder.write("bad.tsv", "Bot\tsearch\n"), log}},
      {"damaged gzip data", {folder.write("flipped.gz", flipped)}},
      {"a bad gzip member header",
       {folder.write("header.gz", gzip + std::string("\x1f\x8b\x09\0\0\0\0\0\0\x03", 10))}},
      {"a truncated gzip file", {folder.write("cut.gz", gzip.substr(0, gzip.size() / 2))}},
      {"an unknown kind", {"--kind", "Baidu", log}},
      {"a missing value", {log, "--output"}},
      {"a missing crawler", {"--kind", "bot:Sogoo", log}, false, {"Sogoo", "Sogou"}},
      {"an unknown crawler", {"--kind", "bot:qqqqqqqq", log}, false, {"qqqqqqqq"}},
      {"--help", {"--help"}, true},
  };
  const testing::Setting localePath("LOCPATH", locales.path().string());
  const testing::Setting noLanguageList("LANGUAGE", std::nullopt);
  for (const char* locale : {"zh_CN.UTF-8", "zh_CN.GBK", "C.UTF-8"}) {
    const testing::Setting language("LC_ALL", std::string(locale));
    const bool chinese = std::string_view(locale).starts_with("zh");
    for (const Failure& failure : failures) {
      const Outcome outcome = runCommand(folder, failure.arguments);
      EXPECT_NE(outcome.status, failure.toStandardOutput ? 1 : 0) << failure.what;
      const std::string& words = failure.toStandardOutput ? outcome.out : outcome.err;
      std::vector<std::string> typed = failure.arguments;
      typed.insert(typed.end(), failure.quoted.begin(), failure.quoted.end());
      typed.push_back(folder.path().string());
      for (const std::string& line : linesOf(words, typed)) {
        if (line.empty()) continue;
        EXPECT_EQ(hasChinese(line), chinese) << locale << ", " << failure.what << ": " << line;
        const std::vector<std::string> english = englishWords(line);
        EXPECT_TRUE(english.empty() || !hasChinese(line))
            << locale << ", " << failure.what << ": " << english.front() << " in " << line;
      }
    }
  }
}

TEST(LanguageCommandTest, TheReportIsTheSameInEveryLocale) {
  TempFolder locales;
  if (!testing::buildLocale(locales, "zh_CN", "UTF-8"))
    GTEST_SKIP() << "localedef cannot build zh_CN";
  TempFolder folder;
  const std::string log =
      folder.write("a.log", testing::dayLog("01/Jan/2024", 5, 60, {"Mozilla/5.0", "Baiduspider"}));
  const testing::Setting localePath("LOCPATH", locales.path().string());
  std::vector<std::string> outputs;
  for (const char* locale : {"zh_CN.UTF-8", "C.UTF-8"}) {
    const testing::Setting language("LC_ALL", std::string(locale));
    for (const char* format : {"text", "csv", "json"}) {
      const Outcome outcome = runCommand(folder, {"--kind", "all", "--format", format, log});
      EXPECT_EQ(outcome.status, 0) << outcome.err;
      outputs.push_back(outcome.out);
    }
  }
  EXPECT_EQ(std::vector<std::string>(outputs.begin(), outputs.begin() + 3),
            std::vector<std::string>(outputs.begin() + 3, outputs.end()));
  EXPECT_TRUE(hasChinese(outputs[0]));  // the report's own headings
}

}  // namespace
}  // namespace crawlmeter
