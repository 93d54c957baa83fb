// The command's crawler catalogue: the files the user named, the user's own catalogue file and
// the built-in one; the crawler a --kind bot:NAME means; the catalogue as --list-crawlers prints
// it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "catalogue/crawler_catalogue.h"
#include "command_line.h"
#include "verify/crawler_ranges.h"

namespace crawlmeter {

// Loads the catalogue the command line asks for, reading the user's file from the environment's
// XDG_CONFIG_HOME or HOME.
Error loadCommandCatalogue(const CommandLine& line, CrawlerCatalogue* catalogue);

// The crawler called name: written exactly so, or else the one crawler whose name differs only
// in case. Otherwise nullopt, and *error names the close names.
std::optional<std::size_t> crawlerNamed(const CrawlerCatalogue& catalogue, const std::string& name,
                                        Message* error);

// One line per catalogue line, in priority order: NAME, CATEGORY, TEXT, its letter case (exact or
// nocase), SOURCE and how the crawler is verified with ranges (ranges, dns, ranges+dns or -)
// between tabs; then a line for each
// operator's ranges file in use: "# ranges", FILE, DATE and SOURCE between tabs.
std::string catalogueListing(const CrawlerCatalogue& catalogue, const CrawlerRanges& ranges);

}  // namespace crawlmeter
