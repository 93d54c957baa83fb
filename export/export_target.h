// The export: choosing a .txt target with the save dialog, and writing the result text to it.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace crawlmeter {

class UiServices;

// Shows the save dialog ("另存为"); gives the chosen name when ".txt" occurs in it (exactly so,
// anywhere), tells the user to choose a txt file otherwise; nullopt then and on cancel.
std::optional<QString> chooseExportTarget(UiServices& services, QWidget* parent);

// Writes text (line breaks "\n") to target as the export file and tells the user how it went.
// A target that cannot be written keeps whatever it held.
void exportResultText(UiServices& services, QWidget* parent, const QString& target,
                      const QString& text);

}  // namespace crawlmeter
