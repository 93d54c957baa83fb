// The one fact about disks the shared code of this folder asks of linux/ and win32/.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace crawlmeter {

// The bytes the user may still write in folder; nullopt when the system does not tell.
std::optional<std::uint64_t> freeBytesIn(const std::string& folder);

}  // namespace crawlmeter
