// Texts the renderers of request_logs.cpp share: times as the formats write them, a request's
// target.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "request_logs.h"

namespace crawlmeter::testing {

// "17/Mar/2026:08:01:15 +0000"
std::string clfTime(std::int64_t unixSeconds);
// "2026-03-17T08:01:15" + fraction (".123" or empty) + zone ("Z", "+00:00")
std::string isoTime(std::int64_t unixSeconds, std::string_view fraction, std::string_view zone);
// The path, and '?' and the query when there is one.
std::string targetOf(const Request& request);

}  // namespace crawlmeter::testing
