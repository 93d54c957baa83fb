// The HTML page's section on real and fake crawlers: for each crawler that can be verified, the
// shares of its visits verified, spoofed and unverifiable, and the addresses that spoofed most.
#pragma once

#include <cstddef>
#include <vector>

#include "formats/markup.h"
#include "formats/result_series.h"

namespace crawlmeter {

// The crawlers seen (most visits first) as source.verification splits them; nothing without one.
void verificationSection(Markup& page, const ResultSource& source,
                         const std::vector<std::size_t>& seen);

}  // namespace crawlmeter
