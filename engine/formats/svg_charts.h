// The HTML report's pictures, drawn as inline SVG by the program: a day × hour heat map, a line
// per day, and bars stacked by series. Every mark carries its value in a <title> (shown on hover)
// and in data- attributes; every name is escaped.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "scan/count_table.h"

namespace crawlmeter {

using HourCounts = std::array<Count, kReportedHours>;

// One row of a heat map, one line, or one layer of bars.
struct HourRow {
  std::string name;       // UTF-8, unescaped
  std::string attribute;  // the data- attribute naming it, e.g. data-file="1" (escaped)
  HourCounts counts{};
};

// The colour of the n-th line or layer.
std::string_view seriesColour(std::size_t n);

// unit follows the value in titles: "次", "个IP".
std::string heatMapSvg(std::span<const HourRow> rows, std::string_view unit);
std::string lineChartSvg(std::span<const HourRow> rows, std::string_view unit);
std::string stackedBarsSvg(std::span<const HourRow> layers, std::string_view unit);

}  // namespace crawlmeter
