// CSV rows, file by file: a reader that groups by file finds each file's rows together.
#include "formats/csv_results.h"

#include "formats/text_escape.h"

namespace crawlmeter {

std::string csvResults(const ResultSource& source, std::span<const ResultSeries> series,
                       bool byteOrderMark) {
  std::string text = byteOrderMark ? "\xEF\xBB\xBF" : "";
  text += "file,date,kind,hour,count\n";
  for (std::size_t file = 0; file < source.tables.fileCount(); ++file) {
    std::string fileFields = csvField(source.files[file]);
    fileFields += ',';
    fileFields += csvField(source.tables.dateLabels[file]);
    fileFields += ',';
    const auto addRows = [&](std::string_view kindName, const CountTable& counts) {
      const std::string kind = csvField(kindName);
      for (int hour = 0; hour < kReportedHours; ++hour) {
        text += fileFields;
        text += kind;
        text += ',';
        text += std::to_string(hour);
        text += ',';
        text += std::to_string(counts.at(file, hour));
        text += '\n';
      }
    };
    for (const ResultSeries& one : series) {
      addRows(one.kind, *one.counts);
      const ClaimSplit* split = splitOf(source, one);
      if (!split) continue;
      const std::string& name = source.catalogue->crawlers()[*one.crawler].name;
      addRows(std::string(kVerifiedKindPrefix) + name, split->verified);
      addRows(std::string(kSpoofedKindPrefix) + name, split->spoofed);
    }
  }
  return text;
}

}  // namespace crawlmeter
