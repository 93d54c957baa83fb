// The formats' bytes are the engine's; this only picks them, dates the page and writes the file.
#include "export/export_results.h"

#include <QDateTime>
#include <QFile>

#include "base/chinese_wording.h"
#include "export/export_target.h"
#include "files/output_file.h"
#include "formats/csv_results.h"
#include "formats/html_report.h"
#include "formats/json_results.h"
#include "run/export_file.h"
#include "ui/ui_services.h"

namespace crawlmeter {
namespace {

// The local time the HTML page says it was made, as the command writes it.
std::string timeNow() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
}

}  // namespace

QString noRunToExportMessage() {
  const char* words = translatable(
      "Nothing to export yet: the HTML, CSV and JSON files show the results of a "
      "run; start one first");
  const std::string_view chinese = ChineseWording().text(words);
  return QString::fromUtf8(chinese.data(), static_cast<qsizetype>(chinese.size()));
}

std::string resultsFileBytes(ExportFormat format, const ResultSource& source,
                             std::string_view version, std::string_view generatedAt) {
  switch (format) {
    case ExportFormat::kHtml:
      return htmlReport(source, version, generatedAt);
    case ExportFormat::kCsv:
      return csvResults(source, everySeries(source), false);
    case ExportFormat::kJson:
      return jsonResults(source, everySeries(source), version);
    case ExportFormat::kText:
      break;
  }
  return {};
}

void exportResults(UiServices& services, QWidget* parent, const QString& target,
                   ExportFormat format, const ResultSource& source, std::string_view version) {
  const std::string bytes = resultsFileBytes(format, source, version, timeNow());
  const Error error = writeOutputFile(QFile::encodeName(target).toStdString(), bytes);
  tellExportOutcome(services, parent, target, error);
}

}  // namespace crawlmeter
