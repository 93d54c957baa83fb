// The six crawler texts that the crawler kinds of the report count. The catalogue search looks for
// them too, so that a run with a catalogue finds both in one search of each chunk.
#pragma once

#include <array>
#include <string_view>

namespace crawlmeter {

// The crawler texts in the order a line is tested for them: the first one found wins.
inline constexpr std::array<std::string_view, 6> kCrawlerTexts = {
    "Baiduspider", "Googlebot", "Yahoo! Slurp", "Sogou web spider", "YoudaoBot", "msnbot"};

}  // namespace crawlmeter
