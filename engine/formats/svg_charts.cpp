// Chart geometry in a fixed 960-unit-wide view box that the page scales to its width.
#include "formats/svg_charts.h"

#include <algorithm>
#include <limits>

#include "formats/markup.h"
#include "formats/text_escape.h"

namespace crawlmeter {
namespace {

constexpr int kViewWidth = 960;
constexpr int kPlotLeft = 64;  // room for the value axis's labels
constexpr int kPlotRight = 944;
constexpr int kPlotTop = 16;
constexpr int kPlotHeight = 240;
constexpr int kAxisBand = 28;  // the hour labels under a plot
constexpr int kValueSteps = 5;
constexpr int kHeatLabelWidth = 176;
constexpr int kHeatCellWidth = 32;
constexpr int kHeatRowHeight = 22;
constexpr int kHeatHeader = 20;
constexpr int kLegendSteps = 10;
constexpr int kLegendStepWidth = 24;
constexpr std::size_t kLongestRowLabel = 22;  // characters; longer names are cut in the picture

// A sequential blue scale, light to dark, for the heat map.
constexpr std::array<std::array<int, 3>, 9> kHeatStops = {{{247, 251, 255},
                                                           {222, 235, 247},
                                                           {198, 219, 239},
                                                           {158, 202, 225},
                                                           {107, 174, 214},
                                                           {66, 146, 198},
                                                           {33, 113, 181},
                                                           {8, 81, 156},
                                                           {8, 48, 107}}};
constexpr std::array<std::string_view, 10> kSeriesColours = {
    "#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
    "#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#bab0ac"};

// A fraction (0..1) of the heat scale, between its stops, so that close counts get close colours.
std::string heatColour(double fraction) {
  static constexpr char kHex[] = "0123456789abcdef";
  const double at = std::clamp(fraction, 0.0, 1.0) * (kHeatStops.size() - 1);
  const auto low = static_cast<std::size_t>(at);
  const std::size_t high = std::min(low + 1, kHeatStops.size() - 1);
  std::string colour = "#";
  for (std::size_t c = 0; c < 3; ++c) {
    const double value =
        kHeatStops[low][c] + (kHeatStops[high][c] - kHeatStops[low][c]) * (at - low);
    const int byte = static_cast<int>(value + 0.5);
    colour += kHex[byte >> 4];
    colour += kHex[byte & 0xF];
  }
  return colour;
}

// The smallest of 1, 2, 5 × 10^n that is at least value, so that the axis has round steps; value
// itself where that would overflow.
Count niceCeiling(Count value) {
  for (Count step = 1; step <= std::numeric_limits<Count>::max() / 50; step *= 10) {
    for (Count factor : {1, 2, 5}) {
      if (step * factor >= value) return step * factor;
    }
  }
  return value;
}

Count largest(std::span<const HourRow> rows) {
  Count most = 0;
  for (const HourRow& row : rows) {
    most = std::max(most, *std::max_element(row.counts.begin(), row.counts.end()));
  }
  return most;
}

// A name cut to what fits beside a heat-map row; the whole name is in the row's titles.
std::string shortName(const std::string& name) {
  std::string text = validUtf8(name);
  std::size_t characters = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (++characters > kLongestRowLabel) return text.substr(0, at).append("…");
  }
  return text;
}

// A mark's data- attributes and its title, which a browser shows on hover.
void markInside(Markup& svg, const HourRow& row, int hour, Count value, std::string_view unit) {
  svg << ' ' << row.attribute << " data-hour=\"" << hour << "\" data-count=\"" << value
      << "\"><title>" << htmlEscaped(row.name) << ' ' << hour << "时：" << value << ' ' << unit
      << "</title>";
}

void svgOpen(Markup& svg, int height, std::string_view label) {
  svg << "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << kViewWidth
      << ' ' << height << "\" role=\"img\" aria-label=\"" << label << "\">\n";
}

void textAt(Markup& svg, double x, double y, std::string_view anchor, std::string_view escaped) {
  svg << "<text x=\"" << x << "\" y=\"" << y << "\" text-anchor=\"" << anchor << "\">" << escaped
      << "</text>";
}

double hourX(int hour) {
  return kPlotLeft + hour * static_cast<double>(kPlotRight - kPlotLeft) / (kReportedHours - 1);
}
double valueY(Count value, Count top) {
  return kPlotTop + kPlotHeight -
         static_cast<double>(value) * kPlotHeight / static_cast<double>(top);
}

// Grid lines and labels of the value axis up to top, and the hour labels.
void axes(Markup& svg, Count top, double firstHourX, double hourStep) {
  svg << "<g class=\"axis\">";
  for (int step = 0; step <= kValueSteps; ++step) {
    const Count value = top * step / kValueSteps;
    const double y = valueY(value, top);
    svg << "<line x1=\"" << kPlotLeft << "\" x2=\"" << kPlotRight << "\" y1=\"" << y << "\" y2=\""
        << y << "\"/>";
    textAt(svg, kPlotLeft - 6, y + 4, "end", std::to_string(value));
  }
  for (int hour = 0; hour < kReportedHours; ++hour) {
    textAt(svg, firstHourX + hour * hourStep, kPlotTop + kPlotHeight + 18, "middle",
           std::to_string(hour));
  }
  svg << "</g>\n";
}

void heatLegend(Markup& svg, int top, Count most, std::string_view unit) {
  svg << "<g class=\"legend\">";
  textAt(svg, kHeatLabelWidth - 8, top + 15, "end", "0");
  for (int step = 0; step < kLegendSteps; ++step) {
    svg << "<rect x=\"" << kHeatLabelWidth + step * kLegendStepWidth << "\" y=\"" << top
        << "\" width=\"" << kLegendStepWidth << "\" height=\"20\" fill=\""
        << heatColour(step / (kLegendSteps - 1.0)) << "\"/>";
  }
  Markup mostText;
  mostText << most << ' ' << unit;
  textAt(svg, kHeatLabelWidth + kLegendSteps * kLegendStepWidth + 8, top + 15, "start",
         mostText.text());
  svg << "</g>\n";
}

}  // namespace

std::string_view seriesColour(std::size_t n) { return kSeriesColours[n % kSeriesColours.size()]; }

std::string heatMapSvg(std::span<const HourRow> rows, std::string_view unit) {
  const Count most = largest(rows);
  const int legendTop = kHeatHeader + static_cast<int>(rows.size()) * kHeatRowHeight + 14;
  Markup svg;
  svgOpen(svg, legendTop + 40, "页面浏览热力图");
  for (int hour = 0; hour < kReportedHours; ++hour) {
    textAt(svg, kHeatLabelWidth + hour * kHeatCellWidth + kHeatCellWidth / 2.0, 14, "middle",
           std::to_string(hour));
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int y = kHeatHeader + static_cast<int>(r) * kHeatRowHeight;
    svg << "\n<g>";
    textAt(svg, kHeatLabelWidth - 8, y + 15, "end", htmlEscaped(shortName(rows[r].name)));
    for (int hour = 0; hour < kReportedHours; ++hour) {
      const Count value = rows[r].counts[hour];
      svg << "<rect class=\"cell\" x=\"" << kHeatLabelWidth + hour * kHeatCellWidth << "\" y=\""
          << y << "\" width=\"" << kHeatCellWidth - 1 << "\" height=\"" << kHeatRowHeight - 1
          << "\" fill=\"" << heatColour(most == 0 ? 0.0 : static_cast<double>(value) / most) << '"';
      markInside(svg, rows[r], hour, value, unit);
      svg << "</rect>";
    }
    svg << "</g>";
  }
  svg << '\n';
  heatLegend(svg, legendTop, most, unit);
  svg << "</svg>\n";
  return svg.take();
}

std::string lineChartSvg(std::span<const HourRow> rows, std::string_view unit) {
  const Count top = niceCeiling(std::max<Count>(largest(rows), 1));
  Markup svg;
  svgOpen(svg, kPlotTop + kPlotHeight + kAxisBand, "每小时独立IP");
  axes(svg, top, hourX(0), hourX(1) - hourX(0));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    Markup points, marks;
    for (int hour = 0; hour < kReportedHours; ++hour) {
      const Count value = rows[r].counts[hour];
      const double x = hourX(hour), y = valueY(value, top);
      points << x << ',' << y << ' ';
      marks << "<circle cx=\"" << x << "\" cy=\"" << y << "\" r=\"3\"";
      markInside(marks, rows[r], hour, value, unit);
      marks << "</circle>";
    }
    svg << "<g class=\"line\" stroke=\"" << seriesColour(r) << "\" fill=\"" << seriesColour(r)
        << "\"><polyline fill=\"none\" points=\"" << points.text() << "\"/>" << marks.text()
        << "</g>\n";
  }
  svg << "</svg>\n";
  return svg.take();
}

std::string stackedBarsSvg(std::span<const HourRow> layers, std::string_view unit) {
  HourCounts sums{};
  for (const HourRow& layer : layers) {
    for (int hour = 0; hour < kReportedHours; ++hour) sums[hour] += layer.counts[hour];
  }
  const Count top = niceCeiling(std::max<Count>(*std::max_element(sums.begin(), sums.end()), 1));
  const double band = static_cast<double>(kPlotRight - kPlotLeft) / kReportedHours;
  Markup svg;
  svgOpen(svg, kPlotTop + kPlotHeight + kAxisBand, "每小时蜘蛛访问");
  axes(svg, top, kPlotLeft + band / 2, band);
  HourCounts below{};
  for (std::size_t l = 0; l < layers.size(); ++l) {
    svg << "<g fill=\"" << seriesColour(l) << "\">";
    for (int hour = 0; hour < kReportedHours; ++hour) {
      const Count value = layers[l].counts[hour];
      if (value == 0) continue;
      const double y = valueY(below[hour] + value, top);
      svg << "<rect class=\"bar\" x=\"" << kPlotLeft + hour * band + band * 0.15 << "\" y=\"" << y
          << "\" width=\"" << band * 0.7 << "\" height=\"" << valueY(below[hour], top) - y << '"';
      markInside(svg, layers[l], hour, value, unit);
      svg << "</rect>";
      below[hour] += value;
    }
    svg << "</g>\n";
  }
  svg << "</svg>\n";
  return svg.take();
}

}  // namespace crawlmeter
