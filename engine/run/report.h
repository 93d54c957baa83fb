// The result text of a run: a progress line naming the kind, a header row of date labels, a row
// of per-file totals and 24 hour rows with one column per file, every line followed by an empty
// line. The text is UTF-8; its line ends are CR LF unless the caller asks for others.
//
// Columns: file f's count in an hour row starts at character 17 + 13 × (f − 1); in the total row
// the first total gets half of 13 − digits blanks (a half going to the even neighbour), every
// later one 13 − digits. Slot 24 is printed in no row and counted in no total.
#pragma once

#include <string>
#include <string_view>

#include "run/statistics_run.h"
#include "scan/count_table.h"

namespace crawlmeter {

inline constexpr std::string_view kCrLf = "\r\n";

// count blanks; the empty string when count is 0 or less.
std::string SpaceString(long long count);

std::string reportText(const StatisticsTables& tables, StatCategory kind,
                       std::string_view lineEnd = kCrLf);

// A row of per-file totals laid out as the total row, under label: twelve columns wide, blanks
// included, as the total row's.
std::string totalsRow(std::string_view label, const CountTable& table);

// The same table for any counts: heading in place of the kind's progress line.
std::string hourTableText(std::string_view heading, const StatisticsTables& tables,
                          const CountTable& table, std::string_view lineEnd = kCrLf);

}  // namespace crawlmeter
