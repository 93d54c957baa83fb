// The export buttons' work, on the engine's export writer.
#include "export/export_target.h"

#include <QFile>

#include "base/chinese_wording.h"
#include "run/export_file.h"
#include "ui/dialog_folders.h"
#include "ui/ui_services.h"

namespace crawlmeter {
namespace {

const QString kTitle = QStringLiteral("另存为");
const QString kRequiredText = QStringLiteral(".txt");
const QString kNotTxtMessage = QStringLiteral("请选择txt格式文件");
const QString kNoTargetMessage = QStringLiteral("请选择输出文件");

struct FormatEntry {
  ExportFormat format;
  const char* extension;  // what the name ends with, in any letter case; none for text
  const char* filter;
};

// In the save dialog's order.
constexpr FormatEntry kFormats[] = {
    {ExportFormat::kText, nullptr, "Text Files (*.txt)"},
    {ExportFormat::kHtml, ".html", "HTML 报告 (*.html)"},
    {ExportFormat::kCsv, ".csv", "CSV 表格 (*.csv)"},
    {ExportFormat::kJson, ".json", "JSON 数据 (*.json)"},
};

}  // namespace

QStringList exportFilters() {
  QStringList filters;
  for (const FormatEntry& entry : kFormats) filters << QString::fromUtf8(entry.filter);
  return filters;
}

// A name that has always been taken as text stays text, whatever it ends with.
std::optional<ExportFormat> exportFormatOf(const QString& fileName) {
  if (fileName.contains(kRequiredText, Qt::CaseSensitive)) return ExportFormat::kText;
  for (const FormatEntry& entry : kFormats) {
    if (entry.extension && fileName.endsWith(QLatin1String(entry.extension), Qt::CaseInsensitive)) {
      return entry.format;
    }
  }
  return std::nullopt;
}

std::optional<QString> chooseExportTarget(UiServices& services, QWidget* parent) {
  const QString fileName =
      services.saveFile(parent, kTitle, exportFilters(), startFolder(DialogFolder::Export));
  if (fileName.isEmpty()) return std::nullopt;
  if (!exportFormatOf(fileName)) {
    services.showMessage(parent, kNotTxtMessage);
    return std::nullopt;
  }
  rememberFolderOf(DialogFolder::Export, fileName);
  return fileName;
}

void exportResultText(UiServices& services, QWidget* parent, const QString& target,
                      const QString& text) {
  if (target.isEmpty()) {
    services.showMessage(parent, kNoTargetMessage);
    return;
  }
  const Error error = writeExportFile(QFile::encodeName(target).toStdString(), text.toStdString());
  tellExportOutcome(services, parent, target, error);
}

void tellExportOutcome(UiServices& services, QWidget* parent, const QString& target,
                       const Error& error) {
  const std::string path = target.toStdString();
  const ChineseWording chinese;  // the window speaks Chinese whatever the user's locale
  services.showMessage(
      parent, QString::fromStdString(error.failed() ? exportFailedMessage(path, error, chinese)
                                                    : exportSucceededMessage(path, chinese)));
}

}  // namespace crawlmeter
