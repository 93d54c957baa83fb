// The export of a run's results as the HTML page, CSV or JSON: the same bytes crawlmeter-report
// writes with --html FILE, --format csv --kind all and --format json --kind all.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "export/export_target.h"
#include "formats/result_series.h"

class QWidget;

namespace crawlmeter {

class UiServices;

// What the user is told who exports the HTML page, CSV or JSON before any run.
QString noRunToExportMessage();

// The bytes of format (not kText) for source; the HTML page says it was made by version at
// generatedAt.
std::string resultsFileBytes(ExportFormat format, const ResultSource& source,
                             std::string_view version, std::string_view generatedAt);

// Writes source's results in format to target by the export's rules for files, devices and
// folders, and tells the user how it went, as the text export does. A target that cannot be
// written keeps whatever it held.
void exportResults(UiServices& services, QWidget* parent, const QString& target,
                   ExportFormat format, const ResultSource& source, std::string_view version);

}  // namespace crawlmeter
