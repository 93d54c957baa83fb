// The address ranges crawler operators publish for their crawlers, one file per operator URL, in
// the operators' shape: {"creationTime": "...", "prefixes": [{"ipv4Prefix": "a.b.c.d/n"},
// {"ipv6Prefix": "x::/n"}]} (creationTime may be absent; other members are ignored). The program
// carries a snapshot; a user's newer file replaces the snapshot's file of the same name.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "verify/address_ranges.h"
#include "verify/ip_address.h"

namespace crawlmeter {

// One operator file: its name (the last part of its URL), who publishes it, and where; and the
// name of its built-in copy in engine/verify/ranges/ when that is not the same.
struct RangeFile {
  std::string_view name;
  std::string_view operatorName;
  std::string_view url;
  std::string_view copyName = {};

  std::string_view builtInCopy() const { return copyName.empty() ? name : copyName; }
};
// scripts/update-crawler-ranges.sh holds the same URLs: keep the two lists alike.
inline constexpr std::array<RangeFile, 11> kRangeFiles = {{
    {"googlebot.json", "Google",
     "https://developers.google.com/static/search/apis/ipranges/googlebot.json"},
    {"special-crawlers.json", "Google",
     "https://developers.google.com/static/search/apis/ipranges/special-crawlers.json",
     "adsbot-google.json"},
    {"user-triggered-fetchers.json", "Google",
     "https://developers.google.com/static/search/apis/ipranges/user-triggered-fetchers.json"},
    {"bingbot.json", "Microsoft", "https://www.bing.com/toolbox/bingbot.json"},
    {"gptbot.json", "OpenAI", "https://openai.com/gptbot.json"},
    {"searchbot.json", "OpenAI", "https://openai.com/searchbot.json"},
    {"chatgpt-user.json", "OpenAI", "https://openai.com/chatgpt-user.json"},
    {"perplexitybot.json", "Perplexity", "https://www.perplexity.ai/perplexitybot.json"},
    {"perplexity-user.json", "Perplexity", "https://www.perplexity.ai/perplexity-user.json"},
    {"duckduckbot.json", "DuckDuckGo", "https://duckduckgo.com/duckduckbot.json"},
    {"applebot.json", "Apple", "https://search.developer.apple.com/applebot.json"},
}};

// The index in kRangeFiles of the file a path is a copy of: the longest name the path's file name
// ends with ("2026-12-01-googlebot.json" is googlebot.json); nullopt when it ends with none.
std::optional<std::size_t> rangeFileOf(std::string_view path);

// The day the built-in snapshot was taken. Each file's own date is its creationTime: Google's
// files of the snapshot were made on 2026-08-20, the others were given this day.
inline constexpr std::string_view kBuiltInRangesDate = "2026-08-22";

// One file of the snapshot compiled into the program (engine/verify/ranges/).
struct BuiltInRangeText {
  std::string_view name;  // a kRangeFiles name
  std::string_view text;
};
std::vector<BuiltInRangeText> builtInRangeTexts();
// The same, each named as its copy in engine/verify/ranges/ is (generated from that folder).
std::span<const BuiltInRangeText> builtInRangeCopies();

class CrawlerRanges {
 public:
  // What is known of one kRangeFiles file; a file never loaded has no ranges and no source.
  struct Loaded {
    AddressRanges ranges;
    std::string date;    // YYYY-MM-DD of its creationTime; empty when the file gives none
    std::string source;  // "built-in" (kBuiltInSource) or the path it was read from
  };

  // No ranges at all.
  CrawlerRanges() = default;
  // The snapshot compiled into the program.
  static CrawlerRanges builtIn();

  // Reads text, a file in the operators' shape whose path names the kRangeFiles file it replaces
  // (see rangeFileOf), and replaces that file's ranges, date and source. On an error nothing
  // changes: kRanges with the path, the line (1 and up; 0 for the file as a whole) and the
  // problem in detail.
  Error add(std::string_view text, const std::string& path);
  // Reads the file at path and adds it; a file that cannot be read fails with the system's error,
  // one too large to be a ranges file with kRanges and line 0.
  Error addFile(const std::string& path);

  // The file named fileName (a kRangeFiles name); nullptr when the name is not one.
  const Loaded* file(std::string_view fileName) const;
  // Whether the file named fileName has ranges loaded (an empty list has none).
  bool hasRanges(std::string_view fileName) const;
  // Whether address is in the ranges of the file named fileName. Cheap: no allocation.
  bool contains(std::string_view fileName, const IpAddress& address) const;
  // The oldest date among the files that have ranges and a date; nullopt when none has.
  std::optional<std::string> oldestDate() const;

 private:
  std::array<Loaded, kRangeFiles.size()> files_;
};

// Where a user keeps range files: every *.json there is read, by name, after the built-in ones.
// userConfigFolder()/ranges (files/config_folder.h), given the environment's variables.
std::optional<std::string> userRangesFolder(const char* xdgConfigHome, const char* home,
                                            const char* appData = nullptr);

// The ranges a user gets: the built-in snapshot, then every *.json file of the user's folder in
// the order of their names, then the files given; each replaces its operator file.
struct RangesChoice {
  std::vector<std::string> files;
  std::optional<std::string> userFolder;  // see userRangesFolder(); a missing folder is none
};
// On an error *ranges is left as it was.
Error loadRanges(const RangesChoice& choice, CrawlerRanges* ranges);

// "PATH:LINE: PROBLEM" (or "PATH: PROBLEM") for an error of add, addFile or loadRanges in
// wording's language, with the system's reason after it when there is one.
std::string rangesErrorMessage(const Error& error, const Wording& wording);

}  // namespace crawlmeter
