// The JSON document, written by hand: its few shapes do not need a library.
#include "formats/json_results.h"

#include "formats/text_escape.h"

namespace crawlmeter {
namespace {

std::string member(std::string_view name, std::string_view value) {
  std::string text = jsonString(name);
  text += ": ";
  text += value;
  return text;
}

std::string filesArray(const ResultSource& source) {
  std::string text = "[";
  for (std::size_t file = 0; file < source.tables.fileCount(); ++file) {
    text += file == 0 ? "\n    {" : ",\n    {";
    text += member("path", jsonString(source.files[file])) + ", ";
    text += member("date", jsonString(source.tables.dateLabels[file])) + ", ";
    text += member("bytes_read", std::to_string(source.bytes[file].read)) + ", ";
    text += member("log_bytes", std::to_string(source.bytes[file].text)) + ", ";
    text += member("lines", std::to_string(source.tables.lineTallies[file].read)) + ", ";
    text += member("lines_skipped", std::to_string(source.tables.lineTallies[file].notUnderstood));
    text += "}";
  }
  return text + "\n  ]";
}

// The totals of every file, then the 24 hours of every file.
std::string countsMembers(const ResultSource& source, const CountTable& counts) {
  std::string totals = "[", hours = "[";
  for (std::size_t file = 0; file < source.tables.fileCount(); ++file) {
    if (file > 0) {
      totals += ", ";
      hours += ",";
    }
    totals += std::to_string(counts.total(file));
    hours += "\n      [";
    for (int hour = 0; hour < kReportedHours; ++hour) {
      if (hour > 0) hours += ", ";
      hours += std::to_string(counts.at(file, hour));
    }
    hours += "]";
  }
  return member("totals", totals + "]") + ",\n     " + member("hours", hours + "\n    ]");
}

// The members of an object in its braces. (Appending, rather than "{" + members, spares GCC 12 a
// false -Wrestrict at -O3.)
std::string braced(const std::string& members) {
  std::string text = "{";
  text += members;
  text += '}';
  return text;
}

std::string seriesObject(const ResultSource& source, const ResultSeries& series) {
  std::string text = "{";
  text += member("kind", jsonString(series.kind)) + ", ";
  if (series.crawler) {
    const Crawler& crawler = source.catalogue->crawlers()[*series.crawler];
    text += member("name", jsonString(crawler.name)) + ", ";
    text += member("category", jsonString(categoryName(crawler.category))) + ",\n     ";
  }
  text += countsMembers(source, *series.counts);
  if (const ClaimSplit* split = splitOf(source, series)) {
    text += ",\n     ";
    text += member("verified", braced(countsMembers(source, split->verified)));
    text += ",\n     ";
    text += member("spoofed", braced(countsMembers(source, split->spoofed)));
  }
  return text + "}";
}

// What the crawlers were verified by, when they were.
std::string verificationMember(const ResultSource& source) {
  if (!source.verification) return "";
  std::string text = member("ranges_date", jsonString(source.verification->rangesDate));
  text += ", ";
  text += member("dns", source.verification->askedDns ? "true" : "false");
  std::string shown = ",\n  ";
  shown += member("verification", braced(text));
  return shown;
}

std::string seriesArray(const ResultSource& source, std::span<const ResultSeries> series,
                        bool crawlers) {
  std::string text = "[";
  bool first = true;
  for (const ResultSeries& one : series) {
    if (one.crawler.has_value() != crawlers) continue;
    text += first ? "\n    " : ",\n    ";
    text += seriesObject(source, one);
    first = false;
  }
  return text + (first ? "]" : "\n  ]");
}

}  // namespace

std::string jsonResults(const ResultSource& source, std::span<const ResultSeries> series,
                        std::string_view version) {
  std::string text = "{\n  ";
  text += member("schema", std::to_string(kJsonSchema)) + ",\n  ";
  text += member("program", jsonString("crawlmeter-report")) + ",\n  ";
  text += member("version", jsonString(version)) + ",\n  ";
  text += member("files", filesArray(source)) + ",\n  ";
  text += member("kinds", seriesArray(source, series, false)) + ",\n  ";
  text += member("crawlers", seriesArray(source, series, true));
  text += verificationMember(source) + "\n}\n";
  return text;
}

}  // namespace crawlmeter
