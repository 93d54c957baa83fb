// The HTML page, section by section. The page holds no script: titles give the values on hover,
// and data tables give them to screen readers and to anyone who copies them.
#include "formats/html_report.h"

#include <array>
#include <vector>

#include "formats/html_verification.h"
#include "formats/markup.h"
#include "formats/svg_charts.h"
#include "formats/text_escape.h"
#include "run/crawler_report.h"

namespace crawlmeter {
namespace {

// Not "其他蜘蛛": that is the crawler of agents that call themselves bots.
constexpr std::string_view kOtherCrawlersLabel = "其余蜘蛛";

constexpr std::string_view kStyle = R"(
body { font-family: "Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Micro Hei",
  "Microsoft YaHei", "PingFang SC", sans-serif; color: #1f2328; background: #fff;
  max-width: 1000px; margin: 24px auto; padding: 0 16px; line-height: 1.5; }
h1 { font-size: 24px; margin: 0 0 4px; }
h2 { font-size: 18px; margin: 28px 0 8px; padding-bottom: 4px; border-bottom: 1px solid #d0d7de; }
.meta, .note { color: #57606a; margin: 0; font-size: 14px; }
table { border-collapse: collapse; font-size: 13px; font-variant-numeric: tabular-nums; }
th, td { border: 1px solid #d0d7de; padding: 3px 8px; }
th { background: #f6f8fa; font-weight: 600; text-align: left; }
td.n { text-align: right; }
.hours th, .hours td { padding: 2px 4px; font-size: 11px; }
.scroll { overflow-x: auto; }
.chart { display: block; width: 100%; height: auto; }
.chart text { font-size: 11px; fill: #57606a; }
.axis line { stroke: #eaeef2; }
.line polyline { stroke-width: 2; }
.legend-list { list-style: none; padding: 0; margin: 6px 0; display: flex; flex-wrap: wrap;
  gap: 4px 16px; font-size: 13px; }
.swatch { display: inline-block; width: 12px; height: 12px; margin-right: 6px; vertical-align: -1px; }
.share { display: inline-block; height: 10px; background: #4e79a7; }
details { margin: 8px 0; }
summary { cursor: pointer; color: #0969da; font-size: 13px; }
@page { size: A4; margin: 12mm; }
@media print {
  body { max-width: none; margin: 0; padding: 0; }
  section { break-inside: avoid; }
  h2 { break-after: avoid; }
  details:not([open]) { display: none; }
}
)";

std::string dataAttribute(std::string_view name, std::string_view value) {
  std::string text = "data-";
  text += name;
  text += "=\"";
  text += htmlEscaped(value);
  return text + '"';
}

HourCounts hoursOf(const CountTable& table, std::size_t file) {
  HourCounts counts{};
  for (int hour = 0; hour < kReportedHours; ++hour) counts[hour] = table.at(file, hour);
  return counts;
}

// The page numbers files from 1, as people count them.
std::string fileAttribute(std::size_t file) {
  return dataAttribute("file", std::to_string(file + 1));
}

// A row per file: the heat map, the lines and the data tables all show a kind file by file.
std::vector<HourRow> dayRows(const ResultSource& source, const CountTable& table) {
  std::vector<HourRow> rows;
  for (std::size_t file = 0; file < source.tables.fileCount(); ++file) {
    rows.push_back(HourRow{dayName(source, file), fileAttribute(file), hoursOf(table, file)});
  }
  return rows;
}

Count sumOf(const HourCounts& counts) {
  Count sum = 0;
  for (Count count : counts) sum += count;
  return sum;
}

// The rows' values as an accessible table, folded away under the picture.
void hourTable(Markup& page, std::string_view caption, std::string_view rowHeader,
               const std::vector<HourRow>& rows) {
  page << "<details><summary>数据表：" << caption << "</summary><div class=\"scroll\">"
       << "<table class=\"hours\"><caption>" << caption << "</caption><thead><tr><th scope=\"col\">"
       << rowHeader << "</th>";
  for (int hour = 0; hour < kReportedHours; ++hour)
    page << "<th scope=\"col\">" << hour << "时</th>";
  page << "<th scope=\"col\">合计</th></tr></thead><tbody>\n";
  for (const HourRow& row : rows) {
    page << "<tr><th scope=\"row\">" << htmlEscaped(row.name) << "</th>";
    for (int hour = 0; hour < kReportedHours; ++hour) {
      page << "<td class=\"n\" " << row.attribute << " data-hour=\"" << hour << "\">"
           << row.counts[hour] << "</td>";
    }
    page << "<td class=\"n\">" << sumOf(row.counts) << "</td></tr>\n";
  }
  page << "</tbody></table></div></details>\n";
}

void legendList(Markup& page, const std::vector<HourRow>& rows) {
  page << "<ul class=\"legend-list\">";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    page << "<li><span class=\"swatch\" style=\"background:" << seriesColour(r) << "\"></span>"
         << htmlEscaped(rows[r].name) << "</li>";
  }
  page << "</ul>\n";
}

void daysSection(Markup& page, const ResultSource& source, const std::vector<std::size_t>& seen) {
  page << "<section id=\"days\"><h2>每日合计</h2><div class=\"scroll\"><table><thead><tr>"
       << "<th scope=\"col\">文件</th><th scope=\"col\">日期</th><th scope=\"col\">读取字节</th>"
       << "<th scope=\"col\">日志字节</th><th scope=\"col\">页面浏览</th>"
       << "<th scope=\"col\">独立IP</th><th scope=\"col\">蜘蛛访问</th></tr></thead><tbody>\n";
  const StatisticsTables& tables = source.tables;
  const std::vector<Count> visits = crawlerVisits(tables, seen);
  for (std::size_t file = 0; file < tables.fileCount(); ++file) {
    page << "<tr " << fileAttribute(file) << "><td>" << htmlEscaped(source.files[file])
         << "</td><td>" << htmlEscaped(tables.dateLabels[file]) << "</td><td class=\"n\">"
         << source.bytes[file].read << "</td><td class=\"n\">" << source.bytes[file].text
         << "</td><td class=\"n\" data-kind=\"pv\">" << tables.counts(StatCategory::Pv).total(file)
         << "</td><td class=\"n\" data-kind=\"ip\">" << tables.counts(StatCategory::Ip).total(file)
         << "</td><td class=\"n\" data-kind=\"bots\">" << visits[file] << "</td></tr>\n";
  }
  page << "</tbody></table></div></section>\n";
}

void heatMapSection(Markup& page, const ResultSource& source) {
  const std::vector<HourRow> rows = dayRows(source, source.tables.counts(StatCategory::Pv));
  page << "<section id=\"page-views\"><h2>页面浏览：日 × 小时</h2>" << heatMapSvg(rows, "次");
  hourTable(page, "每小时页面浏览", "日期", rows);
  page << "</section>\n";
}

void addressSection(Markup& page, const ResultSource& source) {
  const std::vector<HourRow> rows = dayRows(source, source.tables.counts(StatCategory::Ip));
  page << "<section id=\"addresses\"><h2>每小时独立IP</h2>" << lineChartSvg(rows, "个IP");
  legendList(page, rows);
  hourTable(page, "每小时独立IP", "日期", rows);
  page << "</section>\n";
}

// The crawlers with the most visits one layer each, the others together in one.
std::vector<HourRow> crawlerLayers(const ResultSource& source,
                                   const std::vector<std::size_t>& seen) {
  std::vector<HourRow> layers;
  for (std::size_t rank = 0; rank < seen.size(); ++rank) {
    const bool apart = rank < kCrawlersDrawnApart;
    if (apart || rank == kCrawlersDrawnApart) {
      const std::string& name = source.catalogue->crawlers()[seen[rank]].name;
      layers.push_back(apart ? HourRow{name, dataAttribute("crawler", name), {}}
                             : HourRow{std::string(kOtherCrawlersLabel),
                                       dataAttribute("crawler-group", "others"),
                                       {}});
    }
    const CountTable& table = source.tables.crawlerCounts[seen[rank]];
    for (std::size_t file = 0; file < source.tables.fileCount(); ++file) {
      for (int hour = 0; hour < kReportedHours; ++hour)
        layers.back().counts[hour] += table.at(file, hour);
    }
  }
  return layers;
}

void categoryTable(Markup& page, const ResultSource& source, const std::vector<std::size_t>& seen) {
  std::array<Count, kCategories.size()> visits{};
  for (std::size_t category = 0; category < visits.size(); ++category) {
    const std::vector<std::size_t> members =
        crawlersOf(*source.catalogue, seen, static_cast<CrawlerCategory>(category));
    visits[category] = crawlerVisits(source.tables, members).back();
  }
  const Count all = crawlerVisits(source.tables, seen).back();
  page << "<h3>按类别</h3><table id=\"categories\"><thead><tr><th scope=\"col\">类别</th>"
       << "<th scope=\"col\">访问次数</th><th scope=\"col\">占比</th></tr></thead><tbody>\n";
  for (std::size_t category = 0; category < visits.size(); ++category) {
    if (visits[category] == 0) continue;
    const double percent = 100.0 * static_cast<double>(visits[category]) / static_cast<double>(all);
    page << "<tr " << dataAttribute("category", kCategories[category].code) << "><th scope=\"row\">"
         << kCategories[category].label << "</th><td class=\"n\" data-count=\"" << visits[category]
         << "\">" << visits[category]
         << "</td><td><span class=\"share\" style=\"width:" << percent * 2 << "px\"></span> "
         << percent << "%</td></tr>\n";
  }
  page << "<tr><th scope=\"row\">全部蜘蛛</th><td class=\"n\" data-count=\"" << all << "\">" << all
       << "</td><td>100%</td></tr></tbody></table>\n";
}

void crawlerSection(Markup& page, const ResultSource& source,
                    const std::vector<std::size_t>& seen) {
  page << "<section id=\"crawlers\"><h2>每小时蜘蛛访问</h2>";
  if (source.catalogue == nullptr || seen.empty()) {
    page << "<p class=\"note\">这些日志中没有蜘蛛目录里的蜘蛛访问。</p></section>\n";
    return;
  }
  const std::vector<HourRow> layers = crawlerLayers(source, seen);
  page << stackedBarsSvg(layers, "次");
  legendList(page, layers);
  hourTable(page, "每小时蜘蛛访问（所有日志合计）", "蜘蛛", layers);
  categoryTable(page, source, seen);
  page << "</section>\n";
}

// Each hour of all files together: the page views of people, and those of every crawler, tool
// and rule of the catalogue.
void peopleSection(Markup& page, const ResultSource& source) {
  if (source.tables.people.fileCount() == 0) return;
  std::vector<HourRow> layers{HourRow{"真人", dataAttribute("visitors", "humans"), {}},
                              HourRow{"自动程序", dataAttribute("visitors", "automated"), {}}};
  const CountTable& views = source.tables.counts(StatCategory::Pv);
  for (std::size_t file = 0; file < source.tables.fileCount(); ++file) {
    for (int hour = 0; hour < kReportedHours; ++hour) {
      const Count people = source.tables.people.at(file, hour);
      layers[0].counts[hour] += people;
      layers[1].counts[hour] += views.at(file, hour) - people;
    }
  }
  page << "<section id=\"people\"><h2>每小时真人与自动程序</h2>" << stackedBarsSvg(layers, "次");
  legendList(page, layers);
  hourTable(page, "每小时真人与自动程序的页面浏览（所有日志合计）", "访客", layers);
  page << "</section>\n";
}

}  // namespace

std::string htmlReport(const ResultSource& source, std::string_view version,
                       std::string_view generatedAt) {
  Markup page;
  page << "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
       << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
       << "style-src 'unsafe-inline'\">\n"
       << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
       << "<title>访问日志统计报告</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n"
       << "<header><h1>访问日志统计报告</h1><p class=\"meta\">共 " << source.tables.fileCount()
       << " 个日志文件 · 由 crawlmeter-report " << htmlEscaped(version) << " 生成于 "
       << htmlEscaped(generatedAt) << "</p></header>\n";
  // The crawlers seen, most visits first.
  const std::vector<std::size_t> seen = crawlersByVisits(source.tables);
  daysSection(page, source, seen);
  heatMapSection(page, source);
  addressSection(page, source);
  peopleSection(page, source);
  crawlerSection(page, source, seen);
  verificationSection(page, source, seen);
  page << "</body>\n</html>\n";
  return page.take();
}

}  // namespace crawlmeter
