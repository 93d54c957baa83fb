// The export: choosing its target with the save dialog, the format the target's name asks for,
// and writing the result text to it.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "base/error.h"

class QWidget;

namespace crawlmeter {

class UiServices;

// What an export writes: the result text (the export file of old), or the run's results as the
// HTML page, CSV or JSON, exactly as crawlmeter-report writes them.
enum class ExportFormat { kText, kHtml, kCsv, kJson };

// The save dialog's filters: text files first, then the other formats.
QStringList exportFilters();

// The format a chosen name asks for: text when ".txt" occurs in it (exactly so, anywhere), as it
// always was; else the one its extension names (.html, .csv or .json, in any letter case); else
// nullopt.
std::optional<ExportFormat> exportFormatOf(const QString& fileName);

// The format an export to target writes: a name typed by hand into the target box is written as
// text unless its extension names another format.
inline ExportFormat exportFormatOfTarget(const QString& target) {
  return exportFormatOf(target).value_or(ExportFormat::kText);
}

// Shows the save dialog ("另存为") in the folder of the last name it gave that was taken; gives
// the chosen name when exportFormatOf accepts it, and remembers its folder; tells the user to
// choose a txt file otherwise; nullopt then and on cancel.
std::optional<QString> chooseExportTarget(UiServices& services, QWidget* parent);

// Writes text (line breaks "\n") to target as the export file and tells the user how it went.
// A target that cannot be written keeps whatever it held.
void exportResultText(UiServices& services, QWidget* parent, const QString& target,
                      const QString& text);

// Tells the user how an export to target went: the program's success message, or why it failed.
void tellExportOutcome(UiServices& services, QWidget* parent, const QString& target,
                       const Error& error);

}  // namespace crawlmeter
