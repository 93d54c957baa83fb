// A day's access log for the command's tests: lines spread over the hours and over the given
// user agents by a seed, from a few addresses, so that every kind has counts to compare.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace crawlmeter::testing {

inline std::string accessLine(const std::string& date, int hour, std::string_view agent) {
  std::string line = "10.0." + std::to_string(hour) + "." + std::to_string(agent.size() % 7);
  line += " - - [" + date + ":" + std::to_string(hour) + ":00:00 +0800] \"GET / HTTP/1.1\" 200 5";
  line += " \"-\" \"";
  line += agent;
  return line + "\"\n";
}

inline std::string dayLog(const std::string& date, int seed, int lines,
                          std::initializer_list<std::string_view> agents) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    text += accessLine(date, (i * seed) % 24, agents.begin()[(i * 7 + seed) % agents.size()]);
  }
  return text;
}

}  // namespace crawlmeter::testing
